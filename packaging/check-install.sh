#!/usr/bin/env bash
# `cmake --install` of a release build into a temporary prefix: the layout,
# cmdtool --version, and examples/host built against the prefix alone.
#   packaging/check-install.sh BUILD
set -euo pipefail
source "$(dirname "$0")/host.sh"
build=$1
work=$(mktemp -d /tmp/cmddll3-install-XXXXXX)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

libdir=$(cd "$prefix" && find lib* -name libcmddll3.so.1 -printf '%h\n' | head -n 1)
[ -n "$libdir" ] || fail "no libcmddll3.so.1 under $prefix/lib"
for lib in cmddll3 cmdplatform; do
  [ "$(readlink "$prefix/$libdir/lib$lib.so.1")" = "lib$lib.so.$version" ] ||
    fail "lib$lib.so.1 does not name lib$lib.so.$version"
  readelf -d "$prefix/$libdir/lib$lib.so.$version" | grep -q "SONAME.*\[lib$lib\.so\.1\]" ||
    fail "lib$lib.so has no SONAME lib$lib.so.1"
done

# Installed headers include installed headers only.
while IFS= read -r line; do
  header=${line%%:*} included=${line#*\"}
  included=${included%\"*}
  [ -f "$prefix/include/$included" ] || fail "${header#"$prefix/"} includes $included, not installed"
done < <(grep -rH '^#include "' "$prefix/include")
# and none of the sources' own headers is among them.
while IFS= read -r internal; do
  [ -z "$(find "$prefix/include" -name "$(basename "$internal")")" ] ||
    fail "the internal header ${internal#"$root/"} is installed"
done < <(find "$root/src" -name '*.h')

[ "$("$prefix/bin/cmdtool" --version)" = "cmdtool $version" ] || fail "cmdtool --version"
host_checks "$prefix" "$work"
echo "installed $version into a temporary prefix; examples/host builds with find_package and pkg-config and works"
