#!/usr/bin/env bash
# Builds the fuzzing configuration and runs one libFuzzer target.
#   fuzz.sh                   lists the targets
#   fuzz.sh TARGET [SECONDS]  runs TARGET for SECONDS (default 60) on its corpus in
#                             tests/fuzz/corpus/TARGET (seeds are kept in the tree)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh >/dev/null
dir="$(scripts/build.sh fuzz | tail -n 1)"
if [ $# -eq 0 ]; then
  find "$dir/bin" -maxdepth 1 -name 'fuzz_*' -printf '%f\n' | sort
  exit 0
fi
target="$1"; seconds="${2:-60}"
corpus="tests/fuzz/corpus/$target"
work="$PWD/$dir/fuzz-work/$target"
mkdir -p "$corpus" "$work"
cd "$work"
exec "$OLDPWD/$dir/bin/$target" -max_total_time="$seconds" -print_final_stats=1 \
  . "$OLDPWD/$corpus"
