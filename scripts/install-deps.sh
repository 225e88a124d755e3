#!/usr/bin/env bash
# Installs what building and testing need on Debian 12, skipping what is
# already there: compilers and build tools, the libraries we link, and the
# independent tools the interop tests check our files with (ffmpeg, and the
# SWF player harness: chromium, node, pinned npm packages).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"

packages=(cmake ninja-build g++ clang libclang-rt-14-dev zlib1g-dev libgtest-dev libgmock-dev
          libbenchmark-dev libpng-dev libfreetype-dev libfontconfig-dev fonts-dejavu-core
          ffmpeg chromium nodejs npm ca-certificates)
# Tools that may come from elsewhere than Debian's packages (a machine's own
# Node.js ships its npm, and Debian's npm package conflicts with it): a package
# is skipped when its command already runs.
declare -A command_of=([cmake]=cmake [ninja-build]=ninja [clang]=clang [ffmpeg]=ffmpeg
                       [chromium]=chromium [nodejs]=node [npm]=npm)
missing=()
for p in "${packages[@]}"; do
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

# The SWF player harness's npm packages, pinned in Tests/Harness/package.json.
if [ -f "$here/Tests/Harness/package.json" ]; then
  bash "$here/Tests/Harness/setup.sh"
fi
