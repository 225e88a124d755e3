#!/usr/bin/env bash
# Installs what building and testing need on Debian 12, skipping what is
# already there: compilers and build tools, the libraries we link, and the
# independent tools the interop tests check our files with (ffmpeg, and the
# SWF player harness: chromium, node, pinned npm packages).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"

packages=(cmake ninja-build g++ clang libclang-rt-14-dev zlib1g-dev libgtest-dev libgmock-dev
          libbenchmark-dev libpng-dev libfreetype-dev libfontconfig-dev fonts-dejavu-core
          libdeflate-dev ffmpeg chromium nodejs npm ca-certificates)
bash "$here/scripts/install-packages.sh" "${packages[@]}"

# The SWF player harness's npm packages, pinned in Tests/Harness/package.json.
if [ -f "$here/Tests/Harness/package.json" ]; then
  bash "$here/Tests/Harness/setup.sh"
fi
