#include "remote/PerlRegEx.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include "core/Exception.h"

struct TPerlRegEx::TCompiled {
  pcre2_code* Code = nullptr;
  pcre2_match_data* MatchData = nullptr;
  ~TCompiled() {
    pcre2_match_data_free(MatchData);
    pcre2_code_free(Code);
  }
};

TPerlRegEx::TPerlRegEx() = default;
TPerlRegEx::~TPerlRegEx() = default;

void TPerlRegEx::SetRegEx(const QString& Pattern) {
  if (Pattern == FRegEx && FCompiled) return;
  FRegEx = Pattern;
  FCompiled.reset();
}

void TPerlRegEx::SetOptions(TPerlRegExOptions Options) {
  if (Options == FOptions) return;
  FOptions = Options;
  FCompiled.reset();
}

void TPerlRegEx::SetSubject(const QString& Subject) {
  FSubject = Subject;
  FSubjectUtf8 = Subject.toUtf8();
  FGroups.clear();
}

void TPerlRegEx::Compile() {
  pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
  // Any line end counts, so "$" matches before CR LF and "." stops at CR.
  pcre2_set_newline(context, PCRE2_NEWLINE_ANY);
  uint32_t options = PCRE2_UTF;
  if (FOptions & preMultiLine) options |= PCRE2_MULTILINE;
  const QByteArray pattern = FRegEx.toUtf8();
  int error = 0;
  PCRE2_SIZE offset = 0;
  pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.constData()),
                                   PCRE2_SIZE(pattern.size()), options, &error, &offset, context);
  pcre2_compile_context_free(context);
  if (!code) {
    PCRE2_UCHAR message[256];
    pcre2_get_error_message(error, message, sizeof message);
    throw Exception(QString("Invalid regular expression \"%1\" at %2: %3")
                        .arg(FRegEx)
                        .arg(offset)
                        .arg(QString::fromUtf8(reinterpret_cast<const char*>(message))));
  }
  FCompiled = std::make_unique<TCompiled>();
  FCompiled->Code = code;
  FCompiled->MatchData = pcre2_match_data_create_from_pattern(code, nullptr);
}

bool TPerlRegEx::Match() {
  if (!FCompiled) Compile();
  FGroups.clear();
  const int rc = pcre2_match(FCompiled->Code, reinterpret_cast<PCRE2_SPTR>(FSubjectUtf8.constData()),
                             PCRE2_SIZE(FSubjectUtf8.size()), 0, PCRE2_NOTEMPTY,
                             FCompiled->MatchData, nullptr);
  if (rc < 0) return false;
  const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(FCompiled->MatchData);
  const int pairs = int(pcre2_get_ovector_count(FCompiled->MatchData));
  int highest = 0;
  for (int i = 0; i < pairs; ++i) {
    const PCRE2_SIZE start = ovector[2 * i], end = ovector[2 * i + 1];
    if (start == PCRE2_UNSET) {
      FGroups << QString();
      continue;
    }
    FGroups << QString::fromUtf8(FSubjectUtf8.constData() + start, int(end - start));
    highest = i;
  }
  while (FGroups.size() > highest + 1 && FGroups.last().isNull()) FGroups.removeLast();
  return true;
}

int TPerlRegEx::GroupCount() const { return FGroups.isEmpty() ? 0 : int(FGroups.size()) - 1; }

QString TPerlRegEx::Groups(int Index) const { return FGroups.value(Index); }
