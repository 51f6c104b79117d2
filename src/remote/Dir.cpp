#include "remote/Dir.h"

#include <algorithm>

namespace {
QChar AsciiUpper(QChar c) { return c >= 'a' && c <= 'z' ? QChar(c.unicode() - ('a' - 'A')) : c; }

// Ordinal comparison with only the ASCII letters folded; a proper prefix first.
bool AsciiLessIgnoringCase(const QString& A, const QString& B) {
  const int n = qMin(A.size(), B.size());
  for (int i = 0; i < n; ++i) {
    const QChar a = AsciiUpper(A[i]), b = AsciiUpper(B[i]);
    if (a != b) return a < b;
  }
  return A.size() < B.size();
}
}  // namespace

TDir::TDir() = default;
TDir::~TDir() = default;

void TDir::AddFile(std::unique_ptr<TFile> File) { FFiles.push_back(std::move(File)); }

void TDir::Clear() { FFiles.clear(); }

void TDir::Sort() {
  // Short names are computed once per entry, not once per comparison.
  std::vector<std::pair<QString, std::unique_ptr<TFile>>> keyed;
  keyed.reserve(FFiles.size());
  for (auto& file : FFiles) keyed.emplace_back(file->RemoteShortName(), std::move(file));
  std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
    if (a.second->IsDirectory() != b.second->IsDirectory()) return a.second->IsDirectory();
    return AsciiLessIgnoringCase(a.first, b.first);
  });
  for (size_t i = 0; i < keyed.size(); ++i) FFiles[i] = std::move(keyed[i].second);
}

int TDir::Count() const { return int(FFiles.size()); }

TFile* TDir::Files(int Index) const { return FFiles.at(size_t(Index)).get(); }
