#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>

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

  // Setting a pattern discards the previous compiled one. A pattern that
  // does not compile throws Exception naming the pattern and PCRE2's reason.
  void SetRegEx(const QString& Pattern);
  const QString& RegEx() const { return FRegEx; }
  void SetOptions(TPerlRegExOptions Options);
  TPerlRegExOptions Options() const { return FOptions; }
  void SetSubject(const QString& Subject);
  const QString& Subject() const { return FSubject; }

  // True when the pattern matches somewhere in the subject; fills the groups.
  bool Match();
  // Number of the highest group of the last match (0 when only the whole match).
  int GroupCount() const;
  // Group Index of the last match (0 = the whole match); empty when unset.
  QString Groups(int Index) const;

 private:
  struct TCompiled;
  void Compile();

  QString FRegEx;
  TPerlRegExOptions FOptions = 0;
  QString FSubject;
  QByteArray FSubjectUtf8;
  QStringList FGroups;
  std::unique_ptr<TCompiled> FCompiled;
};
