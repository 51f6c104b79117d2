#include "remote/listing/Dir.h"

#include <algorithm>

namespace {
char16_t AsciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c; }

constexpr quint32 kPrefixUnits = 8;

// Ordinal comparison of the folded units after the packed prefix; the
// shorter text first when one is a prefix of the other.
template <typename TKey>
bool RestLess(const std::vector<char16_t>& Buffer, const TKey& A, const TKey& B) {
  const quint32 lengthA = A.Length > kPrefixUnits ? A.Length - kPrefixUnits : 0;
  const quint32 lengthB = B.Length > kPrefixUnits ? B.Length - kPrefixUnits : 0;
  if (lengthA == 0 || lengthB == 0) return lengthA < lengthB;
  const char16_t* a = Buffer.data() + A.Start + kPrefixUnits;
  const char16_t* b = Buffer.data() + B.Start + kPrefixUnits;
  const quint32 n = std::min(lengthA, lengthB);
  for (quint32 i = 0; i < n; ++i)
    if (a[i] != b[i]) return a[i] < b[i];
  return lengthA < lengthB;
}
}  // namespace

// Past 65535 owners in one directory the rest are not told apart: they read
// as none, which nobody takes for their own.
quint16 TDir::OwnerIndexOf(const QString& Owner) {
  if (Owner.isEmpty()) return 0;
  const auto found = FOwnerIndex.constFind(Owner);
  if (found != FOwnerIndex.constEnd()) return found.value();
  if (FOwners.size() >= 0xFFFF) return 0;
  FOwners.push_back(Owner);
  const quint16 index = quint16(FOwners.size());
  FOwnerIndex.insert(Owner, index);
  return index;
}

QString TDir::Owner(const TFile& File) const {
  const quint16 index = File.OwnerIndex();
  return index > 0 && index <= FOwners.size() ? FOwners[index - 1] : QString();
}

const TFile* TDir::FindNamed(const QString& RemoteName) const {
  const TFile* found = nullptr;
  for (const TFile& file : FFiles) {
    if (file.RemoteName() != RemoteName) continue;
    if (found) return nullptr;
    found = &file;
  }
  return found;
}

TDir::TDir() = default;
TDir::~TDir() = default;

// Packs the first folded units so that comparing the numbers orders like
// comparing the texts (a shorter text is padded with zeros, and no name holds
// a zero): most comparisons end there, without a lookup in the key buffer.
void TDir::AddFile(std::unique_ptr<TFile> File, const QString& Owner) {
  File->SetOwnerIndex(OwnerIndexOf(Owner));
  const QStringView name = ExtractShortNameView(File->RemoteName());
  TSortKey key{{0, 0},
               quint32(FKeyUnits.size()),
               quint32(name.size()),
               quint32(FFiles.size()),
               File->IsDirectory() ? 1u : 0u};
  FKeyUnits.resize(FKeyUnits.size() + size_t(name.size()));
  char16_t* folded = FKeyUnits.data() + key.Start;
  for (qsizetype j = 0; j < name.size(); ++j) {
    const char16_t unit = AsciiUpper(name[j].unicode());
    folded[j] = unit;
    if (j < qsizetype(kPrefixUnits)) key.Prefix[j / 4] |= quint64(unit) << (16 * (3 - j % 4));
  }
  FKeys.push_back(key);
  FFiles.push_back(std::move(*File));
}

void TDir::Clear() {
  FKeys.clear();
  FKeyUnits.clear();
  FFiles.clear();
  FOwners.clear();
  FOwnerIndex.clear();
}

// Directories first (the kind an entry had when it was added), then an
// ordinal comparison of the short names with only the ASCII letters folded
// (a proper prefix first). Names differing only in case keep no fixed order.
void TDir::Sort() {
  const std::vector<char16_t>& units = FKeyUnits;
  std::sort(FKeys.begin(), FKeys.end(), [&units](const TSortKey& a, const TSortKey& b) {
    if (a.IsDirectory != b.IsDirectory) return a.IsDirectory > b.IsDirectory;
    for (int i = 0; i < 2; ++i)
      if (a.Prefix[i] != b.Prefix[i]) return a.Prefix[i] < b.Prefix[i];
    return RestLess(units, a, b);
  });
}

void TDir::SwapEntries(TDir& Other) {
  FFiles.swap(Other.FFiles);
  FKeys.swap(Other.FKeys);
  FKeyUnits.swap(Other.FKeyUnits);
  FOwners.swap(Other.FOwners);
  FOwnerIndex.swap(Other.FOwnerIndex);
}

int TDir::Count() const { return int(FFiles.size()); }

int TDir::CountNamed(const QString& RemoteName) const {
  return int(std::count_if(FFiles.begin(), FFiles.end(), [&RemoteName](const TFile& File) {
    return File.RemoteName() == RemoteName;
  }));
}

// Entries are the directory's to hand out: a page selects and opens them.
TFile* TDir::Files(int Index) const {
  return const_cast<TFile*>(&FFiles[FKeys.at(size_t(Index)).Index]);
}
