#pragma once

#include <QString>

// The per-user download folder, with a trailing separator: psftp's working
// folder and the home of every local copy. On Linux
// $XDG_CACHE_HOME/Quillery/Temp/ (default ~/.cache/Quillery/Temp/); on
// Windows the "Temp\" folder beside the executable. The folder and its parent
// are made private to the user every time: a folder another user could
// write to would let them plant a link under the name of the next download.
// Throws Exception when the folder is not the user's own.
QString GetTempFolder();

// A name inside the download folder for a file whose name the server chose:
// no separator, and never "." or "..", so it cannot point elsewhere.
QString LocalNameFor(const QString& RemoteName);

// A new private folder below the download folder, for one page's local
// copy: two pages whose files share a name never share a local file.
// Throws Exception when it cannot be made.
QString NewPageFolder();

// The local path for a name typed in Save As: below Folder (a page's
// folder), which it may not leave (no absolute name, no ".." step). Throws
// Exception, with a message for the user, for a name that would leave it or
// names no file; creates the folders the name asks for.
QString SaveAsLocalPath(const QString& Folder, const QString& Name);

// Throws Exception unless Path is missing or a regular file of the user's
// own that is not a link: the download and the save write there.
void CheckLocalTarget(const QString& Path);

// Moves From over To, replacing To (itself, never what a link there points to).
void ReplaceFile(const QString& From, const QString& To);

// The private folder of work files: password files, downloads in progress.
QString WorkFolder();
// The private folder of keys converted into PuTTY's form, which psftp takes.
QString KeysFolder();
// Where this process's work files of one kind ("pw-", ".get-") begin.
QString WorkFilePrefix(const QString& Kind);
// A fresh name for a work file psftp reads or writes: short, so that it fits
// whatever the final name's length, and named after this process.
QString NewWorkFile(const QString& Kind);

// Removes the work files (broken-off downloads, keys puttygen was
// converting, and the password files earlier versions wrote) of runs that
// have ended without cleaning up.
void RemoveStaleWorkFiles();
