#!/usr/bin/env bash
# Regenerates docs/performance.md: builds the benchmark programs (-O2),
# runs them with JSON output and turns the results into one table per goal.
#
#   bash scripts/bench-report.sh            # the whole report (about 15 min)
#   QUICK=1 bash scripts/bench-report.sh    # one repetition, no ffmpeg baselines
#
# Record the corpus first (bash scripts/corpus.sh); without it the recorded
# rows are reported as missing and the generated rows still run.  Timings are
# CPU time of the measuring thread (the ffmpeg baselines: of the ffmpeg
# process); the figures are medians of 3 repetitions.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$here/build-bench}"
out="$build/bench-json"
reps=3
[ -n "${QUICK:-}" ] && reps=1

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMVD_BUILD_TESTS=OFF \
  -DMVD_BUILD_FUZZ=OFF -DMVD_BUILD_TOOLS=OFF >/dev/null
cmake --build "$build" -j2 --target screen_codec_benchmark capture_benchmark \
  swf_export_benchmark deflate_benchmark compression_session_benchmark \
  movie_writer_benchmark >/dev/null
rm -rf "$out"
mkdir -p "$out"

# name, output file, then the benchmark's own arguments.
run() {
  local program="$1" file="$2"
  shift 2
  echo "running $program $*" >&2
  "$build/Bench/$program" --benchmark_format=console --benchmark_out="$out/$file.json" \
    --benchmark_out_format=json "$@" >/dev/null
}
repeated=(--benchmark_repetitions="$reps" --benchmark_report_aggregates_only=true)

uptime >"$out/load-before.txt"
run screen_codec_benchmark codec "${repeated[@]}" --benchmark_filter='-FFmpeg'
if [ -z "${QUICK:-}" ] && command -v ffmpeg >/dev/null; then
  run screen_codec_benchmark codec-ffmpeg --benchmark_filter='FFmpeg'
fi
run capture_benchmark capture "${repeated[@]}"
run swf_export_benchmark swf "${repeated[@]}" --benchmark_filter='Receive'
run deflate_benchmark deflate --benchmark_filter='level:(1|6|9)$' --benchmark_min_time=0.3
if command -v taskset >/dev/null; then
  echo "running compression_session_benchmark on one core" >&2
  taskset -c 0 "$build/Bench/compression_session_benchmark" --benchmark_out_format=json \
    --benchmark_out="$out/sessions-1core.json" "${repeated[@]}" --benchmark_min_time=1 >/dev/null
fi
run compression_session_benchmark sessions-2cores "${repeated[@]}" --benchmark_min_time=1
if command -v taskset >/dev/null; then
  echo "running movie_writer_benchmark on one core" >&2
  taskset -c 0 "$build/Bench/movie_writer_benchmark" --benchmark_out_format=json \
    --benchmark_out="$out/movie-1core.json" "${repeated[@]}" --benchmark_min_time=1 >/dev/null
fi
run movie_writer_benchmark movie-2cores "${repeated[@]}" --benchmark_min_time=1
uptime >"$out/load-after.txt"

python3 "$here/scripts/bench_report.py" "$out" "$here/docs/performance.md"
echo "wrote docs/performance.md" >&2
