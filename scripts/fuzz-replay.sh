#!/usr/bin/env bash
# Builds the fuzzing configuration and runs every fuzz target once over each input of its
# seed corpus in tests/fuzz/corpus/<target>/ (no fuzzing: -runs=0). The seeds include the
# inputs that once crashed a target, so a fix that regresses fails here. CI runs this.
#   fuzz-replay.sh            every target
#   fuzz-replay.sh TARGET...  only these
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh >/dev/null
dir="$(scripts/build.sh fuzz | tail -n 1)"

if [ $# -gt 0 ]; then
  targets=("$@")
else
  mapfile -t targets < <(find "$dir/bin" -maxdepth 1 -name 'fuzz_*' -printf '%f\n' | sort)
fi
[ "${#targets[@]}" -gt 0 ] || { echo "fuzz-replay: no fuzz targets in $dir/bin" >&2; exit 1; }

# Each input gets 30 s and 2 GiB; a whole target gets 5 minutes.
failed=()
for target in "${targets[@]}"; do
  corpus="tests/fuzz/corpus/$target"
  if [ ! -d "$corpus" ] || [ -z "$(ls -A "$corpus")" ]; then
    echo "fuzz-replay: $target has no seed corpus in $corpus" >&2
    failed+=("$target")
    continue
  fi
  count="$(find "$corpus" -type f | wc -l)"
  log="$dir/fuzz-work/replay-$target.log"
  mkdir -p "$(dirname "$log")"
  # A failing input is saved beside the log, never in the tree.
  if timeout 300 "$dir/bin/$target" -runs=0 -timeout=30 -rss_limit_mb=2048 \
       -artifact_prefix="$(dirname "$log")/$target-" "$corpus" >"$log" 2>&1; then
    echo "fuzz-replay: $target: $count inputs, ok"
  else
    echo "fuzz-replay: $target FAILED on its corpus ($log):" >&2
    tail -n 40 "$log" >&2
    failed+=("$target")
  fi
done

if [ "${#failed[@]}" -gt 0 ]; then
  echo "fuzz-replay: failed: ${failed[*]}" >&2
  exit 1
fi
