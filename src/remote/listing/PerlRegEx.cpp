#include "remote/listing/PerlRegEx.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <new>

#include "core/Exception.h"

namespace {
// The conversation uses a handful of fixed patterns; a few more than that
// keeps them all compiled while one shared object switches between them line
// by line.
constexpr size_t kCacheSize = 8;

QString ErrorText(int Code) {
  PCRE2_UCHAR message[256];
  if (pcre2_get_error_message(Code, message, sizeof message) < 0)
    return QString("PCRE2 error %1").arg(Code);
  return QString::fromUtf8(reinterpret_cast<const char*>(message));
}

struct TCompileContext {
  pcre2_compile_context* Context = pcre2_compile_context_create(nullptr);
  ~TCompileContext() { pcre2_compile_context_free(Context); }
};
}  // namespace

struct TPerlRegEx::TCompiled {
  QString Pattern;
  TPerlRegExOptions Options = 0;
  pcre2_code* Code = nullptr;
  pcre2_match_data* MatchData = nullptr;

  TCompiled() = default;
  TCompiled(const TCompiled&) = delete;
  TCompiled& operator=(const TCompiled&) = delete;
  ~TCompiled() {
    pcre2_match_data_free(MatchData);
    pcre2_code_free(Code);
  }
};

TPerlRegEx::TPerlRegEx() = default;
TPerlRegEx::~TPerlRegEx() = default;

void TPerlRegEx::SetRegEx(const QString& Pattern) {
  ClearGroups();
  if (Pattern == FRegEx) return;
  FRegEx = Pattern;
  FCompiled = nullptr;
}

void TPerlRegEx::SetOptions(TPerlRegExOptions Options) {
  ClearGroups();
  if (Options == FOptions) return;
  FOptions = Options;
  FCompiled = nullptr;
}

void TPerlRegEx::SetSubject(const QString& Subject) {
  ClearGroups();
  FSubjectUtf8 = Subject.toUtf8();
}

void TPerlRegEx::ClearGroups() { FGroupOffsets.clear(); }

TPerlRegEx::TCompiled* TPerlRegEx::Compiled() {
  if (FCompiled) return FCompiled;
  const auto cached = std::find_if(FCache.begin(), FCache.end(), [this](const auto& entry) {
    return entry->Options == FOptions && entry->Pattern == FRegEx;
  });
  if (cached != FCache.end()) {
    std::rotate(cached, cached + 1, FCache.end());
    return FCompiled = FCache.back().get();
  }

  TCompileContext context;
  if (!context.Context) throw std::bad_alloc();
  // Newline "any": CR, LF, CR LF and the Unicode line separators all end a
  // line, so "." never takes the CR of psftp's CR LF and "$" matches before it.
  pcre2_set_newline(context.Context, PCRE2_NEWLINE_ANY);
  uint32_t options = PCRE2_UTF;
  if (FOptions & preMultiLine) options |= PCRE2_MULTILINE;
  const QByteArray pattern = FRegEx.toUtf8();
  int error = 0;
  PCRE2_SIZE offset = 0;
  auto compiled = std::make_unique<TCompiled>();
  compiled->Pattern = FRegEx;
  compiled->Options = FOptions;
  compiled->Code =
      pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.constData()), PCRE2_SIZE(pattern.size()),
                    options, &error, &offset, context.Context);
  if (!compiled->Code)
    throw Exception(QString("Invalid regular expression \"%1\" at offset %2: %3")
                        .arg(FRegEx)
                        .arg(offset)
                        .arg(ErrorText(error)));
  // Matching machine code where the library has it: the same results, and
  // short subjects such as file-name extensions match several times faster.
  // Without it (an error code here) pcre2_match interprets the pattern.
  pcre2_jit_compile(compiled->Code, PCRE2_JIT_COMPLETE);
  compiled->MatchData = pcre2_match_data_create_from_pattern(compiled->Code, nullptr);
  if (!compiled->MatchData) throw std::bad_alloc();

  FCache.push_back(std::move(compiled));
  if (FCache.size() > kCacheSize) FCache.erase(FCache.begin());
  return FCompiled = FCache.back().get();
}

bool TPerlRegEx::Match() {
  TCompiled* compiled = Compiled();
  ClearGroups();
  const int rc =
      pcre2_match(compiled->Code, reinterpret_cast<PCRE2_SPTR>(FSubjectUtf8.constData()),
                  PCRE2_SIZE(FSubjectUtf8.size()), 0, PCRE2_NOTEMPTY, compiled->MatchData, nullptr);
  if (rc == PCRE2_ERROR_NOMATCH) return false;
  if (rc < 0)
    throw Exception(QString("Regular expression \"%1\" failed: %2").arg(FRegEx).arg(ErrorText(rc)));
  // rc is one more than the highest group that took part (the match data is
  // sized from the pattern, so it is never 0).
  const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(compiled->MatchData);
  FGroupOffsets.resize(size_t(2 * rc));
  for (size_t i = 0; i < FGroupOffsets.size(); ++i)
    FGroupOffsets[i] = ovector[i] == PCRE2_UNSET ? -1 : qsizetype(ovector[i]);
  return true;
}

int TPerlRegEx::GroupCount() const {
  return FGroupOffsets.empty() ? 0 : int(FGroupOffsets.size() / 2) - 1;
}

QString TPerlRegEx::Groups(int Index) const {
  if (Index < 0 || size_t(2 * Index + 1) >= FGroupOffsets.size()) return QString();
  const qsizetype start = FGroupOffsets[size_t(2 * Index)];
  const qsizetype end = FGroupOffsets[size_t(2 * Index + 1)];
  if (start < 0) return QString();
  return QString::fromUtf8(FSubjectUtf8.constData() + start, end - start);
}
