#pragma once
#include <QString>
#include <memory>
#include <vector>

#include "remote/File.h"

// One listed remote directory; owns its entries.
class TDir {
 public:
  TDir();
  ~TDir();
  TDir(const TDir&) = delete;
  TDir& operator=(const TDir&) = delete;

  void AddFile(std::unique_ptr<TFile> File);
  void Clear();
  // Directories first, then by short name, ASCII case-insensitive.
  void Sort();
  int Count() const;
  const QString& Name() const { return FName; }
  void SetName(const QString& Value) { FName = Value; }
  TFile* Files(int Index) const;

 private:
  std::vector<std::unique_ptr<TFile>> FFiles;
  QString FName;
};
