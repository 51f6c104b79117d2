#!/bin/sh
# Fails when clang-format would change any C++ file in src/, tests/ or bench/,
# and names each file it would change. The layout rules are in .clang-format.
# Usage: scripts/check-format.sh [clang-format program]
set -eu
cd "$(dirname "$0")/.."
CLANG_FORMAT=${1:-${CLANG_FORMAT:-clang-format}}
if ! command -v "$CLANG_FORMAT" >/dev/null 2>&1; then
  echo "check-format: $CLANG_FORMAT not found (Debian package clang-format)" >&2
  exit 2
fi
status=0
for f in $(find src tests bench -type f \( -name '*.cpp' -o -name '*.h' \) | sort); do
  if ! "$CLANG_FORMAT" --dry-run --Werror --style=file "$f" 2>/dev/null; then
    echo "would change: $f"
    status=1
  fi
done
exit $status
