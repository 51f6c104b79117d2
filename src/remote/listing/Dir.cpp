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

// A sorted directory finds a name by binary search (see PlacesOf): a
// folder of many entries is asked for names at every save and command.
const TFile* TDir::FindNamed(const QString& RemoteName) const {
  if (FSorted) {
    const std::vector<size_t> places = PlacesOf(RemoteName);
    return places.size() == 1 ? &FFiles[FKeys[places.front()].Index] : nullptr;
  }
  const TFile* found = nullptr;
  for (size_t i = 0; i < FFiles.size(); ++i) {
    if (!Alive(i) || FFiles[i].RemoteName() != RemoteName) continue;
    if (found) return nullptr;
    found = &FFiles[i];
  }
  return found;
}

TDir::TDir() = default;
TDir::~TDir() = default;

// Packs the first folded units so that comparing the numbers orders like
// comparing the texts (a shorter text is padded with zeros, and no name holds
// a zero): most comparisons end there, without a lookup in the key buffer.
TDir::TSortKey TDir::MakeKey(QStringView ShortName, bool IsDirectory, quint32 Index) const {
  TSortKey key{
      {0, 0}, quint32(FKeyUnits.size()), quint32(ShortName.size()), Index, IsDirectory ? 1u : 0u};
  FKeyUnits.resize(FKeyUnits.size() + size_t(ShortName.size()));
  char16_t* folded = FKeyUnits.data() + key.Start;
  for (qsizetype j = 0; j < ShortName.size(); ++j) {
    const char16_t unit = AsciiUpper(ShortName[j].unicode());
    folded[j] = unit;
    if (j < qsizetype(kPrefixUnits)) key.Prefix[j / 4] |= quint64(unit) << (16 * (3 - j % 4));
  }
  return key;
}

void TDir::AddFile(std::unique_ptr<TFile> File, const QString& Owner) {
  File->SetOwnerIndex(OwnerIndexOf(Owner));
  FKeys.push_back(MakeKey(ExtractShortNameView(File->RemoteName()), File->IsDirectory(),
                          quint32(FFiles.size())));
  FFiles.push_back(std::move(*File));
  FSorted = false;
}

void TDir::Clear() {
  FDead.clear();
  FUpdatedAt.clear();
  FSorted = true;
  FKeys.clear();
  FKeyUnits.clear();
  FFiles.clear();
  FOwners.clear();
  FOwnerIndex.clear();
}

// Directories first (the kind an entry had when it was added), then an
// ordinal comparison of the short names with only the ASCII letters folded
// (a proper prefix first). Names differing only in case keep no fixed order.
bool TDir::KeyLess(const TSortKey& A, const TSortKey& B) const {
  if (A.IsDirectory != B.IsDirectory) return A.IsDirectory > B.IsDirectory;
  for (int i = 0; i < 2; ++i)
    if (A.Prefix[i] != B.Prefix[i]) return A.Prefix[i] < B.Prefix[i];
  return RestLess(FKeyUnits, A, B);
}

void TDir::Sort() {
  std::sort(FKeys.begin(), FKeys.end(),
            [this](const TSortKey& a, const TSortKey& b) { return KeyLess(a, b); });
  FSorted = true;
}

void TDir::SwapEntries(TDir& Other) {
  FFiles.swap(Other.FFiles);
  FKeys.swap(Other.FKeys);
  FKeyUnits.swap(Other.FKeyUnits);
  FOwners.swap(Other.FOwners);
  FOwnerIndex.swap(Other.FOwnerIndex);
  FDead.swap(Other.FDead);
  FUpdatedAt.swap(Other.FUpdatedAt);
  std::swap(FSorted, Other.FSorted);
}

int TDir::Count() const { return int(FKeys.size()); }

int TDir::CountNamed(const QString& RemoteName) const {
  if (FSorted) return int(PlacesOf(RemoteName).size());
  int count = 0;
  for (size_t i = 0; i < FFiles.size(); ++i)
    if (Alive(i) && FFiles[i].RemoteName() == RemoteName) ++count;
  return count;
}

// Entries are the directory's to hand out: a page selects and opens them.
TFile* TDir::Files(int Index) const {
  return const_cast<TFile*>(&FFiles[FKeys.at(size_t(Index)).Index]);
}

QDateTime TDir::ListedAt(const TFile& File) const { return FUpdatedAt.value(&File, FListedAt); }

// Entries whose keys are equal stand together: a name is found by two
// binary searches, one among the directories and one among the rest, and
// then by its exact text (the key folds case and holds the short name only).
std::vector<size_t> TDir::PlacesOf(const QString& RemoteName) const {
  std::vector<size_t> places;
  const size_t unitsBefore = FKeyUnits.size();
  for (const bool directory : {true, false}) {
    const TSortKey probe = MakeKey(ExtractShortNameView(RemoteName), directory, 0);
    const auto less = [this](const TSortKey& a, const TSortKey& b) { return KeyLess(a, b); };
    const auto [first, last] = std::equal_range(FKeys.begin(), FKeys.end(), probe, less);
    for (auto it = first; it != last; ++it)
      if (FFiles[it->Index].RemoteName() == RemoteName)
        places.push_back(size_t(it - FKeys.begin()));
    FKeyUnits.resize(unitsBefore);
  }
  std::sort(places.begin(), places.end());
  return places;
}

// The entry's slot stays, emptied: the others keep their addresses.
void TDir::RemoveAt(size_t Place) {
  const quint32 index = FKeys[Place].Index;
  if (FDead.size() < FFiles.size()) FDead.resize(FFiles.size(), false);
  FDead[index] = true;
  FUpdatedAt.remove(&FFiles[index]);
  FFiles[index] = TFile(QString());
  FKeys.erase(FKeys.begin() + qsizetype(Place));
}

void TDir::Insert(std::unique_ptr<TFile> File, const QString& Owner, const QDateTime& ListedAt) {
  File->SetOwnerIndex(OwnerIndexOf(Owner));
  const TSortKey key = MakeKey(ExtractShortNameView(File->RemoteName()), File->IsDirectory(),
                               quint32(FFiles.size()));
  FFiles.push_back(std::move(*File));
  FUpdatedAt.insert(&FFiles.back(), ListedAt);
  const auto place =
      std::upper_bound(FKeys.begin(), FKeys.end(), key,
                       [this](const TSortKey& a, const TSortKey& b) { return KeyLess(a, b); });
  FKeys.insert(place, key);
}

// A save replaces one entry by one of the same name: it keeps its place and
// its slot, and nothing else moves.
void TDir::Update(const QString& RemoteName, std::vector<TListed> Entries,
                  const QDateTime& ListedAt) {
  if (!FSorted) Sort();
  Entries.erase(std::remove_if(Entries.begin(), Entries.end(),
                               [&RemoteName](const TListed& Each) {
                                 return !Each.File || Each.File->RemoteName() != RemoteName;
                               }),
                Entries.end());
  const std::vector<size_t> places = PlacesOf(RemoteName);
  if (places.size() == 1 && Entries.size() == 1) {
    const size_t place = places.front();
    TFile& file = *Entries.front().File;
    const TSortKey key =
        MakeKey(ExtractShortNameView(file.RemoteName()), file.IsDirectory(), FKeys[place].Index);
    const bool fits = (place == 0 || !KeyLess(key, FKeys[place - 1])) &&
                      (place + 1 == FKeys.size() || !KeyLess(FKeys[place + 1], key));
    if (fits) {
      file.SetOwnerIndex(OwnerIndexOf(Entries.front().Owner));
      TFile& slot = FFiles[key.Index];
      slot = std::move(file);
      FKeys[place] = key;
      FUpdatedAt.insert(&slot, ListedAt);
      return;
    }
    FKeyUnits.resize(key.Start);
  }
  for (auto place = places.rbegin(); place != places.rend(); ++place) RemoveAt(*place);
  for (TListed& entry : Entries) Insert(std::move(entry.File), entry.Owner, ListedAt);
}

int TDir::Remove(const QString& RemoteName) {
  if (!FSorted) Sort();
  const std::vector<size_t> places = PlacesOf(RemoteName);
  for (auto place = places.rbegin(); place != places.rend(); ++place) RemoveAt(*place);
  return int(places.size());
}
