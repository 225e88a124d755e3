#!/usr/bin/env bash
# Records the benchmark corpus: real X11 programs on a virtual screen, grabbed
# with ffmpeg's x11grab and stored losslessly (FFV1 in Matroska, bgr0 pixels)
# under corpus/, which git ignores.
#
#   bash scripts/corpus.sh               # 1280x720 and 1920x1080, 40 s each
#   bash scripts/corpus.sh 1280x720 20   # one size, 20 s
#
# On screen: a terminal whose output scrolls, a terminal that is typed into,
# `top` in a window that moves back and forth, a digital and an analogue
# clock, and the mouse pointer travelling between them.  A window manager
# draws the title bars.  The benchmarks read the files through
# Bench/support/Corpus.h and fall back to generated content without them.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
out="$here/corpus"
sizes=("${1:-1280x720}")
[ $# -eq 0 ] && sizes=(1280x720 1920x1080)
seconds="${2:-40}"
rate=30

packages=(xvfb xterm xdotool x11-apps x11-utils x11-xserver-utils openbox xfonts-base ffmpeg procps)
bash "$here/scripts/install-packages.sh" "${packages[@]}"
mkdir -p "$out"

pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT

start() {
  "$@" >/dev/null 2>&1 &
  pids+=($!)
}

# Waits until a window whose name is $1 is mapped; prints its id.
window() {
  local id=""
  for _ in $(seq 1 100); do
    id="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)"
    [ -n "$id" ] && break
    sleep 0.1
  done
  echo "$id"
}

record() {
  local size="$1" w="${1%x*}" h="${1#*x}"
  local n=90
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  local display=":$n"
  local file="$out/desktop-$size.mkv"
  export DISPLAY="$display"
  start Xvfb "$display" -screen 0 "${size}x24" -nolisten tcp
  for _ in $(seq 1 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  xdpyinfo >/dev/null 2>&1 || { echo "Xvfb did not start on $display" >&2; exit 1; }
  start openbox
  sleep 0.5
  xsetroot -solid '#3a5f8a' || true

  local cols=$((w / 16)) rows=$((h / 30))
  start xterm -T scroller -geometry "${cols}x${rows}+10+10" -fa Monospace -fs 10 \
    -e bash -c 'n=0; while :; do n=$((n+1)); echo "$n $(date +%T.%N) $(ls /usr/bin | shuf -n 5 | tr "\n" " ")"; sleep 0.12; done'
  start xterm -T typist -geometry "${cols}x$((h / 45))+$((w / 2 + 10))+10" -fa Monospace -fs 11 -e cat
  start xterm -T monitor -geometry "70x14+40+$((h * 13 / 20))" -e top -d 1
  start xclock -digital -update 1 -geometry "+$((w - 280))+$((h - 50))"
  start xclock -update 1 -geometry "150x150+$((w - 200))+$((h / 2))"

  local typist monitor
  typist="$(window typist)"
  monitor="$(window monitor)"
  sleep 1

  local frames=$((seconds * rate))
  ffmpeg -hide_banner -loglevel error -y -f x11grab -framerate "$rate" -video_size "$size" \
    -draw_mouse 1 -i "$display" -frames:v "$frames" \
    -c:v ffv1 -level 3 -slices 4 -threads 2 -g 1 -pix_fmt bgr0 "$file" &
  local grabber=$!

  # Typing, with a pause now and then, into the typist terminal.
  (
    text="The quick brown fox jumps over the lazy dog. Screen recordings are mostly text: terminals, editors and mail."
    while :; do
      xdotool windowactivate --sync "$typist" 2>/dev/null || true
      xdotool type --delay 70 "$text" 2>/dev/null || true
      xdotool key Return 2>/dev/null || true
      sleep 1
    done
  ) &
  pids+=($!)

  # The monitor window moves for two seconds, then rests for three.
  (
    x=40 dx=12
    while :; do
      for _ in $(seq 1 20); do
        x=$((x + dx))
        [ "$x" -gt $((w / 3)) ] && dx=-12
        [ "$x" -lt 20 ] && dx=12
        xdotool windowmove "$monitor" "$x" $((h * 13 / 20)) 2>/dev/null || true
        sleep 0.1
      done
      sleep 3
    done
  ) &
  pids+=($!)

  # The pointer wanders.
  (
    while :; do
      for p in "200 200" "$((w - 300)) 150" "$((w / 2)) $((h - 100))" "100 $((h - 200))"; do
        set -- $p
        xdotool mousemove --sync "$1" "$2" 2>/dev/null || true
        sleep 0.4
      done
    done
  ) &
  pids+=($!)

  wait "$grabber"
  cleanup
  pids=()
  echo "recorded $file ($(du -h "$file" | cut -f1), $frames frames)"
}

for size in "${sizes[@]}"; do
  record "$size"
done
