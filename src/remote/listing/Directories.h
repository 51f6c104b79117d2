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
  int Count() const;

 private:
  std::vector<std::unique_ptr<TDir>> FDirectories;
};
