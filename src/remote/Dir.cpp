#include "remote/Dir.h"

#include <algorithm>

namespace {
// Ordinal comparison with only the ASCII letters folded: fold once per entry,
// then compare the folded texts ordinally (a proper prefix sorts first).
QString AsciiUpper(QString Text) {
  for (QChar& c : Text)
    if (c >= 'a' && c <= 'z') c = QChar(c.unicode() - ('a' - 'A'));
  return Text;
}

struct TSortEntry {
  bool IsDirectory;
  QString Key;
  std::unique_ptr<TFile> File;
};
}  // namespace

TDir::TDir() = default;
TDir::~TDir() = default;

void TDir::AddFile(std::unique_ptr<TFile> File) { FFiles.push_back(std::move(File)); }

void TDir::Clear() { FFiles.clear(); }

void TDir::Sort() {
  std::vector<TSortEntry> entries;
  entries.reserve(FFiles.size());
  for (auto& file : FFiles) {
    const bool isDirectory = file->IsDirectory();
    entries.push_back({isDirectory, AsciiUpper(file->RemoteShortName()), std::move(file)});
  }
  std::sort(entries.begin(), entries.end(), [](const TSortEntry& a, const TSortEntry& b) {
    if (a.IsDirectory != b.IsDirectory) return a.IsDirectory;
    return a.Key < b.Key;
  });
  for (size_t i = 0; i < entries.size(); ++i) FFiles[i] = std::move(entries[i].File);
}

int TDir::Count() const { return int(FFiles.size()); }

TFile* TDir::Files(int Index) const { return FFiles.at(size_t(Index)).get(); }
