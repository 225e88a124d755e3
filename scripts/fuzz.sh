#!/usr/bin/env bash
# Runs every fuzz target of a fuzzing build for a bounded time each, two at a
# time, seeded from Fuzz/seeds/NAME/ and from the seeds our own writers make.
#   scripts/fuzz.sh BUILD_DIR [SECONDS]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "$1" && pwd)"
seconds="${2:-60}"
work="$build/fuzz-work"
mkdir -p "$work"

if [ -x "$build/Fuzz/fuzz_seeds" ]; then
  "$build/Fuzz/fuzz_seeds" "$work/generated"
fi

run_one() {
  local target="$1" name
  name="$(basename "$target")"
  local corpus="$work/corpus/$name"
  mkdir -p "$corpus"
  local seeds=()
  [ -d "$here/Fuzz/seeds/$name" ] && seeds+=("$here/Fuzz/seeds/$name")
  [ -d "$work/generated/$name" ] && seeds+=("$work/generated/$name")
  # -close_fd_mask=1: what the code under test prints to standard output
  # (progress lines of the recovery) stays out of the log.
  if "$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=20 -close_fd_mask=1 \
       -artifact_prefix="$work/$name-" "$corpus" "${seeds[@]}" >"$work/$name.log" 2>&1; then
    echo "fuzz $name: clean, $(grep -E '^Done [0-9]+ runs' "$work/$name.log" || echo "${seconds}s")"
  else
    echo "fuzz $name: FAILED, see $work/$name.log"; tail -40 "$work/$name.log"; return 1
  fi
}
export -f run_one
export here work seconds

targets=()
for t in "$build"/Fuzz/*_fuzzer; do
  [ -x "$t" ] && targets+=("$t")
done
if [ ${#targets[@]} -eq 0 ]; then
  echo "no fuzz targets built"; exit 0
fi
printf '%s\n' "${targets[@]}" | xargs -P 2 -I{} bash -c 'run_one "$@"' _ {}
