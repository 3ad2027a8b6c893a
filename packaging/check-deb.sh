#!/usr/bin/env bash
# The Debian package that `./run package` made: its fields, its file list,
# and, unpacked into a throwaway root, cmdtool and examples/host built
# against it.
#   packaging/check-deb.sh BUILD
set -euo pipefail
source "$(dirname "$0")/host.sh"
build=$1
arch=$(dpkg --print-architecture)
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null)
deb="$build/deb/cmddll3_${version}_$arch.deb"
[ -f "$deb" ] || fail "no $deb (./run package makes it)"
work=$(mktemp -d /tmp/cmddll3-deb-XXXXXX)
trap 'rm -rf "$work"' EXIT

field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = cmddll3 ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version), not $version"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture: $(field Architecture)"
depends=$(field Depends)
for needed in libc6 libstdc++6 libcairo2 libpango-1.0-0 libpangocairo-1.0-0 \
              libfontconfig1 fonts-ipafont-gothic; do
  [[ ", $depends," == *", $needed "* || ", $depends," == *", $needed,"* ||
     ", $depends," == *", $needed |"* ]] || fail "Depends lacks $needed: $depends"
done

dpkg-deb --contents "$deb" | awk '{ print $6 }' | sed 's,^\./,/,' >"$work/contents"
lib="/usr/lib/$multiarch"
for path in /usr/bin/cmdtool \
            /usr/include/cmddll3/cmddll3.h /usr/include/cmddll3/master.h \
            /usr/include/cmddll3/version.h /usr/include/cmddll3/platform/platform.h \
            "$lib/libcmddll3.so.$version" "$lib/libcmddll3.so.1" "$lib/libcmddll3.so" \
            "$lib/libcmdplatform.so.$version" "$lib/libcmdplatform.so.1" "$lib/libcmdplatform.so" \
            "$lib/cmake/cmddll3/cmddll3Config.cmake" "$lib/cmake/cmddll3/cmddll3ConfigVersion.cmake" \
            "$lib/cmake/cmddll3/cmddll3Targets.cmake" \
            "$lib/pkgconfig/cmddll3.pc" "$lib/pkgconfig/cmdplatform.pc"; do
  grep -qx -- "$path" "$work/contents" || fail "$path is not in the package"
done
stray=$(grep -v -e '/$' -e '^/usr/bin/cmdtool$' -e '^/usr/include/cmddll3/' -e "^$lib/" \
             -e '^/usr/share/doc/cmddll3/' "$work/contents" || true)
[ -z "$stray" ] || fail "files outside the package's folders: $stray"

dpkg -x "$deb" "$work/root"
[ "$("$work/root/usr/bin/cmdtool" --version)" = "cmdtool $version" ] || fail "cmdtool --version"
host_checks "$work/root/usr" "$work"
echo "$(basename "$deb"): fields and files as expected; examples/host builds against it and works"
