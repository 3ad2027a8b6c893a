#!/usr/bin/env bash
# The exported interface of both libraries against the committed baseline.
#   packaging/abi.sh check BUILD    fails on any incompatible change
#   packaging/abi.sh update BUILD   remakes the baseline (./run abi-update)
# BUILD is a release build with debug information (build/package). libabigail
# reads the exported functions and every type they reach from the debug
# information; types declared outside include/ (the sources' own) are left
# out, so a change inside the libraries that no host can see passes. New
# functions pass too; a removed or changed function, or a record whose size
# or layout moves, fails. The baseline remembers the version it was made
# for: a new baseline goes with a new version in CMakeLists.txt (a new major
# version, and so a new SOVERSION, when the change is incompatible).
set -euo pipefail
mode=${1:-} build=${2:-}
root=$(cd "$(dirname "$0")/.." && pwd)
baseline="$root/packaging/abi"
libraries=(cmddll3 cmdplatform)
version=$(sed -n 's/^project(cmddll3 VERSION \([0-9][0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
work=$(mktemp -d /tmp/cmddll3-abi-XXXXXX)
trap 'rm -rf "$work"' EXIT

dump() {  # library output
  abidw --headers-dir "$root/include" --drop-private-types --no-show-locs \
        --no-corpus-path --no-comp-dir-path --out-file "$2" "$build/lib$1.so"
}

compare() {  # library report: 0 when compatible
  abidiff --no-added-syms --no-unreferenced-symbols \
          "$baseline/lib$1.abi" "$work/lib$1.abi" >"$2" 2>&1
}

case "$mode" in
  check)
    status=0
    for lib in "${libraries[@]}"; do
      dump "$lib" "$work/lib$lib.abi"
      if ! compare "$lib" "$work/$lib.report"; then
        echo "== lib$lib.so: the exported interface changed against packaging/abi (made for $(cat "$baseline/VERSION"))"
        cat "$work/$lib.report"
        status=1
      fi
    done
    if ((status)); then
      echo "Undo the change, or raise the version in CMakeLists.txt (the major number when"
      echo "hosts built before must be rebuilt) and remake the baseline with ./run abi-update."
    else
      echo "${libraries[*]}: the exported interface matches the baseline of $(cat "$baseline/VERSION")"
    fi
    exit $status
    ;;
  update)
    changed=()
    for lib in "${libraries[@]}"; do
      dump "$lib" "$work/lib$lib.abi"
      if [ ! -f "$baseline/lib$lib.abi" ] || ! compare "$lib" "$work/$lib.report"; then
        changed+=("$lib")
      fi
    done
    if ((${#changed[@]} == 0)); then
      echo "the baseline of $(cat "$baseline/VERSION") still holds: nothing to remake"
      exit 0
    fi
    if [ -f "$baseline/VERSION" ] && [ "$(cat "$baseline/VERSION")" = "$version" ]; then
      echo "the interface of ${changed[*]} changed but the version is still $version:" >&2
      echo "raise it in CMakeLists.txt first" >&2
      exit 1
    fi
    mkdir -p "$baseline"
    for lib in "${libraries[@]}"; do cp "$work/lib$lib.abi" "$baseline/lib$lib.abi"; done
    echo "$version" >"$baseline/VERSION"
    echo "baseline of ${libraries[*]} remade for $version in packaging/abi"
    ;;
  *)
    echo "usage: packaging/abi.sh check|update BUILD" >&2
    exit 2
    ;;
esac
