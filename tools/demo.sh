#!/usr/bin/env bash
# The demo tour: runs cmdtool on a fresh copy of the sample installation.
set -euo pipefail
build=$1; shift || true
root=$(cd "$(dirname "$0")/.." && pwd)
tool="$build/cmdtool"
work=$(mktemp -d /tmp/cmddll3-demo-XXXXXX)
trap 'rm -rf "$work"' EXIT
if [ -d "$root/examples/install" ]; then
  cp -r "$root/examples/install" "$work/install"
else
  mkdir -p "$work/install"
fi
show() { echo; echo "\$ cmdtool $*"; "$tool" --root "$work/install" "$@"; }
show --drive "C=$work/install" platform
