#!/bin/sh
# Builds the benches in a Release build of their own (build-bench), runs every
# one of them and prints one table of their goals: each line a bench printed
# as "GOAL<TAB>case<TAB>figure<TAB>reference<TAB>ratio<TAB>goal<TAB>verdict"
# (see bench/GoalRow.h). Each bench's whole output is kept in
# build-bench/bench-logs/NAME.log.
#
# Usage: scripts/bench.sh [--quick]
#   --quick  fewer repetitions and smaller cases: a few minutes on two cores
#
# Exits 1 when a bench could not be built or run (a goal NOT MET is a result,
# not a failure), 2 on a wrong argument.
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$ROOT/build-bench
LOGS=$BUILD/bench-logs
QUICK=0
for arg in "$@"; do
  case $arg in
    --quick) QUICK=1 ;;
    -h | --help)
      sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'
      exit 0
      ;;
    *)
      echo "bench.sh: unknown argument $arg (usage: scripts/bench.sh [--quick])" >&2
      exit 2
      ;;
  esac
done

say() { echo "bench.sh: $*" >&2; }

# ---------------------------------------------------------------- build
"$ROOT/scripts/deps.sh" openssh-server || exit 1
LAUNCHER=""
if command -v ccache >/dev/null 2>&1; then
  LAUNCHER="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
  : "${CCACHE_BASEDIR:=$(dirname "$ROOT")}"
  export CCACHE_BASEDIR
fi
say "building the benches in $BUILD (Release)"
mkdir -p "$BUILD"
# shellcheck disable=SC2086  # LAUNCHER is one word or none
if ! cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DQUILLERY_BENCH=ON \
  -DQUILLERY_TESTS=OFF $LAUNCHER >"$BUILD/configure.log" 2>&1; then
  cat "$BUILD/configure.log" >&2
  say "the configuration failed"
  exit 1
fi
if ! cmake --build "$BUILD" -j2 >"$BUILD/build.log" 2>&1; then
  tail -n 40 "$BUILD/build.log" >&2
  say "the build failed (whole log: $BUILD/build.log)"
  exit 1
fi
rm -rf "$LOGS"
mkdir -p "$LOGS"

# The window benches need no display.
: "${QT_QPA_PLATFORM:=offscreen}"
export QT_QPA_PLATFORM

# ---------------------------------------------------------------- run
# A bench that takes --quick gets it; the others get their own smaller
# settings in quick mode (see quick_args).
takes_quick() { grep -q -- '--quick' "$ROOT/bench/$1.cpp" "$ROOT/bench/$1" 2>/dev/null; }

quick_args() {
  case $1 in
    bench_psftp_speed | bench_safe_save | bench_save_check) echo "--reps 3" ;;
    bench_listing) echo "--benchmark_filter=BM_ParseAndSortListing" ;;
    startup.py) echo "--runs 5" ;;
    *) echo "" ;;
  esac
}

FAILED=""
START=$(date +%s)
run_bench() {
  name=$1
  shift
  args=""
  if [ "$QUICK" -eq 1 ]; then
    if takes_quick "$name"; then args="--quick"; else args=$(quick_args "$name"); fi
  fi
  log=$LOGS/$name.log
  begun=$(date +%s)
  say "running $name $args $*"
  # shellcheck disable=SC2086  # args is a list of words
  "$@" $args >"$log" 2>&1
  status=$?
  rows=$(grep -c "^GOAL	" "$log")
  missed=$(grep -c "^GOAL	.*	NOT MET\$" "$log")
  say "  $name: exit $status, $rows goal rows, $(($(date +%s) - begun)) s"
  # A bench may end non-zero to say a goal was missed; without a row saying
  # so, a non-zero end is a failure to run.
  if [ "$status" -ne 0 ] && [ "$missed" -eq 0 ]; then
    FAILED="$FAILED $name"
    tail -n 15 "$log" | sed 's/^/    /' >&2
  fi
}

for bench in bench_psftp_speed bench_safe_save bench_save_check bench_open_file bench_edit \
  bench_fill_list bench_listing bench_redirector bench_window_transfers; do
  if [ -x "$BUILD/bench/$bench" ]; then
    run_bench "$bench" "$BUILD/bench/$bench"
  else
    say "$bench was not built"
    FAILED="$FAILED $bench"
  fi
done
run_bench startup.py python3 "$ROOT/bench/startup.py" --build "$BUILD"

# ---------------------------------------------------------------- table
TABLE=$LOGS/goals.tsv
for log in "$LOGS"/*.log; do
  grep "^GOAL	" "$log" | cut -f 2-
done >"$TABLE"
{
  printf 'case\tfigure\treference\tratio\tgoal\tresult\n'
  cat "$TABLE"
} | awk -F '\t' '
  { for (i = 1; i <= NF; i++) { cell[NR, i] = $i; if (length($i) > w[i]) w[i] = length($i) } }
  NF > cols { cols = NF }
  END {
    for (r = 1; r <= NR; r++) {
      line = "|"
      for (i = 1; i <= cols; i++) line = line sprintf(" %-*s |", w[i], cell[r, i])
      print line
      if (r == 1) {
        line = "|"
        for (i = 1; i <= cols; i++) { bar = ""; for (k = 0; k < w[i] + 2; k++) bar = bar "-"; line = line bar "|" }
        print line
      }
    }
  }'
total=$(wc -l <"$TABLE")
missed=$(grep -c "	NOT MET\$" "$TABLE")
mode=full
[ "$QUICK" -eq 1 ] && mode=quick
echo
echo "$mode run, $(($(date +%s) - START)) s: $total goals, $((total - missed)) met, $missed NOT MET."
if [ -n "$FAILED" ]; then
  echo "Failed to run:$FAILED (logs in $LOGS)."
  exit 1
fi
exit 0
