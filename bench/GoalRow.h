#pragma once
// One row of the benches' common table, printed to stdout so that
// scripts/bench.sh can gather the rows of every bench into one table:
//   GOAL<TAB>case<TAB>figure<TAB>reference<TAB>ratio<TAB>goal<TAB>met|NOT MET
// A goal is either a ratio of two figures taken in the same run, or a bound
// on one figure (then reference and ratio are "-").
#include <cstdio>
#include <string>

namespace GoalRow {

inline void Print(const std::string& Case, const std::string& Figure, const std::string& Reference,
                  const std::string& Ratio, const std::string& Goal, bool Met) {
  std::printf("GOAL\t%s\t%s\t%s\t%s\t%s\t%s\n", Case.c_str(), Figure.c_str(), Reference.c_str(),
              Ratio.c_str(), Goal.c_str(), Met ? "met" : "NOT MET");
  std::fflush(stdout);
}

inline std::string Format(const char* Pattern, double Value) {
  char text[64];
  std::snprintf(text, sizeof text, Pattern, Value);
  return text;
}

// Figure / Reference against a largest allowed ratio, both in Unit.
inline void Ratio(const std::string& Case, double Figure, double Reference, const char* Unit,
                  double MostRatio) {
  const double ratio = Reference > 0 ? Figure / Reference : 0;
  Print(Case, Format("%.1f ", Figure) + Unit, Format("%.1f ", Reference) + Unit,
        Format("%.2fx", ratio), Format("<= %.2fx", MostRatio), Reference > 0 && ratio <= MostRatio);
}

// Figure against a largest allowed value in Unit.
inline void Bound(const std::string& Case, double Figure, const char* Unit, double Most) {
  Print(Case, Format("%.1f ", Figure) + Unit, "-", "-", Format("<= %.1f ", Most) + Unit,
        Figure <= Most);
}

}  // namespace GoalRow
