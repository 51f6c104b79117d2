#include "remote/Dir.h"

#include <algorithm>

namespace {
char16_t AsciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c; }

constexpr int kPrefixUnits = 8;

// Ordinal comparison of the folded units after the packed prefix.
template <typename TKey>
bool RestLess(const std::vector<char16_t>& Buffer, const TKey& A, const TKey& B) {
  const size_t skip = kPrefixUnits;
  const size_t lengthA = A.Length > skip ? A.Length - skip : 0;
  const size_t lengthB = B.Length > skip ? B.Length - skip : 0;
  const char16_t* a = Buffer.data() + A.Start + skip;
  const char16_t* b = Buffer.data() + B.Start + skip;
  const size_t n = std::min(lengthA, lengthB);
  for (size_t i = 0; i < n; ++i)
    if (a[i] != b[i]) return a[i] < b[i];
  return lengthA < lengthB;
}
}  // namespace

TDir::TDir() = default;
TDir::~TDir() = default;

// Packs the first folded units so that comparing the numbers orders like
// comparing the texts (a shorter text is padded with zeros): most comparisons
// end there, without a lookup in the key buffer.
void TDir::AddFile(std::unique_ptr<TFile> File) {
  const QStringView name = ExtractShortNameView(File->RemoteName());
  TSortKey key{{0, 0}, File->IsDirectory(), FKeyUnits.size(), size_t(name.size()), FFiles.size()};
  for (qsizetype j = 0; j < name.size(); ++j) {
    const char16_t unit = AsciiUpper(name[j].unicode());
    FKeyUnits.push_back(unit);
    if (j < kPrefixUnits) key.Prefix[j / 4] |= quint64(unit) << (16 * (3 - j % 4));
  }
  FKeys.push_back(key);
  FFiles.push_back(std::move(File));
}

void TDir::Clear() {
  FFiles.clear();
  FKeys.clear();
  FKeyUnits.clear();
}

// Directories first (the kind an entry had when it was added), then an ordinal comparison of the short names with only
// the ASCII letters folded (a proper prefix first).
void TDir::Sort() {
  const std::vector<char16_t>& units = FKeyUnits;
  std::sort(FKeys.begin(), FKeys.end(), [&units](const TSortKey& a, const TSortKey& b) {
    if (a.IsDirectory != b.IsDirectory) return a.IsDirectory;
    if (a.Prefix[0] != b.Prefix[0]) return a.Prefix[0] < b.Prefix[0];
    if (a.Prefix[1] != b.Prefix[1]) return a.Prefix[1] < b.Prefix[1];
    return RestLess(units, a, b);
  });
  std::vector<std::unique_ptr<TFile>> sorted;
  sorted.reserve(FFiles.size());
  for (size_t i = 0; i < FKeys.size(); ++i) {
    sorted.push_back(std::move(FFiles[FKeys[i].Index]));
    FKeys[i].Index = i;
  }
  FFiles.swap(sorted);
}

int TDir::Count() const { return int(FFiles.size()); }

TFile* TDir::Files(int Index) const { return FFiles.at(size_t(Index)).get(); }
