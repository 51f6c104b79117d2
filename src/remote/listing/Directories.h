#pragma once
#include <QString>
#include <memory>
#include <vector>

#include "remote/listing/Dir.h"

// The cache of listed directories, keyed by exact path; owns its TDir objects.
class TDirectories {
 public:
  TDir* Find(const QString& DirName) const;
  // Takes Dir unless a directory of that name is cached already (then Dir is dropped).
  // Returns the cached directory of that name.
  TDir* Add(std::unique_ptr<TDir> Dir);
  // A fresh listing of DirName: the cached directory of that name, made when
  // there is none, takes Listed's entries (Listed gets the old ones), so the
  // pages that show it are refilled without a new object. Returns it.
  TDir* Store(const QString& DirName, TDir& Listed, const QDateTime& ListedAt);
  int Count() const;

 private:
  std::vector<std::unique_ptr<TDir>> FDirectories;
};
