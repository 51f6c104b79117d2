#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

enum TPerlRegExOption { preMultiLine = 0x1 };
using TPerlRegExOptions = int;

// A regular expression over PCRE2: UTF-8 mode, newline convention "any",
// empty matches refused, numbered groups. Patterns and subjects are UTF-16
// text converted to UTF-8 for PCRE2; groups come back decoded.
class TPerlRegEx {
 public:
  TPerlRegEx();
  ~TPerlRegEx();
  TPerlRegEx(const TPerlRegEx&) = delete;
  TPerlRegEx& operator=(const TPerlRegEx&) = delete;

  // The pattern is compiled when Match first needs it; a pattern that does
  // not compile makes Match throw Exception naming the pattern and PCRE2's
  // reason. Compiled patterns are kept per pattern and options, so switching
  // between a few patterns does not compile them again.
  void SetRegEx(const QString& Pattern);
  void SetOptions(TPerlRegExOptions Options);
  void SetSubject(const QString& Subject);

  // True when the pattern matches somewhere in the subject; fills the groups.
  // Throws Exception when PCRE2 fails otherwise than by finding no match.
  bool Match();
  // Number of the highest group of the last match (0 when only the whole match).
  int GroupCount() const;
  // Group Index of the last match (0 = the whole match); empty when unset.
  QString Groups(int Index) const;

 private:
  struct TCompiled;
  TCompiled* Compiled();
  void ClearGroups();

  QString FRegEx;
  TPerlRegExOptions FOptions = 0;
  QByteArray FSubjectUtf8;
  // Byte offsets into FSubjectUtf8 of each group of the last match, start
  // and end; -1 for a group that took no part. Decoded when asked for.
  std::vector<qsizetype> FGroupOffsets;
  std::vector<std::unique_ptr<TCompiled>> FCache;  // most recently used last
  TCompiled* FCompiled = nullptr;                  // for FRegEx and FOptions, once compiled
};
