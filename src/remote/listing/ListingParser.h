#pragma once
#include <QString>

#include "remote/listing/ListedTime.h"

// Reads psftp's answer to "ls": the header line and one line per entry.
class TListingParser {
 public:
  // What the header line says before the directory's path.
  static const QString Header;

  // The directory named by a "Listing directory <path>" line; false when the line is not one.
  static bool ParseHeader(const QString& Line, QString& DirName);
  // One entry line. False for lines that name no entry (and for "."); otherwise
  // the entry's name and whether the line describes a directory.
  static bool ParseEntry(const QString& Line, QString& Name, bool& IsDirectory);
  // The same; IsLink tells a symbolic link ("l" line), which may lead to a
  // directory or to a file: only trying it tells which.
  static bool ParseEntry(const QString& Line, QString& Name, bool& IsDirectory, bool& IsLink);
  // The same, with the size in bytes the line gives; -1 when it gives none.
  static bool ParseEntry(const QString& Line, QString& Name, bool& IsDirectory, bool& IsLink,
                         qint64& Size);

  // Everything a long listing line tells of one entry.
  struct TEntry {
    QString Name;
    bool IsDirectory = false;
    bool IsLink = false;
    qint64 Size = -1;  // -1 when the line gives none
    TListedTime Time;  // invalid when the line gives none
    // The permission bits (07777, set-id and sticky bits included); -1 when
    // the line gives none it can be read as.
    int Permissions = -1;
    int Links = 0;  // the link count; 0 when the line gives none
    QString Owner;  // the owner's name, or number; empty when the line gives none
  };
  // The permission bits of a mode field such as "-rwsr-x---"; -1 when the
  // field is not one.
  static int PermissionsOf(QStringView Mode);
  static bool ParseEntry(const QString& Line, TEntry& Entry);
};
