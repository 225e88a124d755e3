#!/usr/bin/env bash
# Installs the Debian packages named on the command line that are missing.
# Tools that may come from elsewhere than Debian's packages (a machine's own
# Node.js ships its npm, and Debian's npm package conflicts with it) are
# skipped when their command already runs.
set -euo pipefail
declare -A command_of=([cmake]=cmake [ninja-build]=ninja [clang]=clang [ffmpeg]=ffmpeg
                       [chromium]=chromium [nodejs]=node [npm]=npm)
missing=()
for p in "$@"; do
  if [ -n "${command_of[$p]:-}" ] && command -v "${command_of[$p]}" >/dev/null 2>&1; then
    continue
  fi
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  echo "installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
