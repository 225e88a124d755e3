#!/usr/bin/env bash
# Installs what is missing, builds the tool and runs its demo, which records a
# built-in desktop session through every path the library offers and prints a
# table of the files it wrote.  Output goes to ./demo-output (or $1).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cd "$here"
out="${1:-$here/demo-output}"
bash scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=g++
cmake --build build/release -j "$(nproc)" --target mvd
exec build/release/Tools/mvd/mvd demo "$out"
