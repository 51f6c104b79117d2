#include "remote/listing/Directories.h"

TDir* TDirectories::Find(const QString& DirName) const {
  for (const auto& dir : FDirectories)
    if (dir->Name() == DirName) return dir.get();
  return nullptr;
}

TDir* TDirectories::Add(std::unique_ptr<TDir> Dir) {
  if (TDir* cached = Find(Dir->Name())) return cached;
  FDirectories.push_back(std::move(Dir));
  return FDirectories.back().get();
}

int TDirectories::Count() const { return int(FDirectories.size()); }
