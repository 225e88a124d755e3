#!/usr/bin/env bash
# Installs the SWF player harness's npm packages (pinned in package.json) into
# the harness home: bash Tests/Harness/setup.sh [HOME] (default
# $MVD_HARNESS_HOME or ~/.cache/mvd-harness). No browser is downloaded:
# playwright-core drives the system's chromium. Re-running is cheap.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
home="${1:-${MVD_HARNESS_HOME:-$HOME/.cache/mvd-harness}}"

for tool in node npm; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "harness: $tool is missing (install nodejs and npm)" >&2
    exit 1
  fi
done

pinned() {  # prints the version package.json pins for $1
  node -e "console.log(require('$here/package.json').dependencies['$1'])"
}
installed() {  # true when $1 is installed in the home at its pinned version
  node -e "
    const v = require('$home/node_modules/$1/package.json').version;
    process.exit(v === '$(pinned "$1")' ? 0 : 1);" 2>/dev/null
}

if installed @ruffle-rs/ruffle && installed playwright-core; then
  echo "harness: ready in $home"
  exit 0
fi

mkdir -p "$home"
cp "$here/package.json" "$home/package.json"
(cd "$home" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 timeout 900 \
  npm install --no-audit --no-fund --no-save --omit=dev)
if ! installed @ruffle-rs/ruffle || ! installed playwright-core; then
  echo "harness: npm did not install the pinned versions into $home" >&2
  exit 1
fi
echo "harness: installed in $home"
