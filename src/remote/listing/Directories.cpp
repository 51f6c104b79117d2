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

TDir* TDirectories::Store(const QString& DirName, TDir& Listed, const QDateTime& ListedAt) {
  TDir* dir = Find(DirName);
  if (!dir) {
    auto created = std::make_unique<TDir>();
    created->SetName(DirName);
    dir = Add(std::move(created));
  }
  dir->SwapEntries(Listed);
  dir->SetListedAt(ListedAt);
  return dir;
}

int TDirectories::Count() const { return int(FDirectories.size()); }
