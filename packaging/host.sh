# Builds examples/host against an installed library and runs it on a copy of
# the sample installation. Sourced by the install and package tests.
#   host_checks PREFIX WORK   PREFIX holds include/, lib/.../cmake and pkgconfig
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
version=$(sed -n 's/^project(cmddll3 VERSION \([0-9][0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
new_name="耐火ケーブル FP"

fail() { echo "FAIL: $*" >&2; exit 1; }

run_host() {  # program folder
  local program=$1 dir=$2
  mkdir -p "$dir"
  cp -r "$root/examples/install" "$dir/install"
  cp "$dir/install/MASTER/電気/zairyou2.mst" "$dir/before.mst"
  "$program" "$dir/install" "$dir/cells.png" 1 "$new_name" >"$dir/out.txt" ||
    fail "$program exited with $?"
  python3 "$root/packaging/check_host.py" --catalogue "$root/examples/src/master/電気/catalogue.csv" \
    --level1 1 --new-name "$new_name" --output "$dir/out.txt" --png "$dir/cells.png" \
    --before "$dir/before.mst" --after "$dir/install/MASTER/電気/zairyou2.mst" ||
    fail "$program: wrong result (see $dir)"
}

host_checks() {  # prefix work
  local prefix=$1 work=$2 config pcdir
  config=$(cd "$prefix" && find lib* -path '*/cmake/cmddll3' | head -n 1)
  pcdir=$(cd "$prefix" && find lib* -name cmddll3.pc -printf '%h\n' | head -n 1)
  [ -n "$config" ] && [ -n "$pcdir" ] || fail "no CMake package or pkg-config folder under $prefix"

  # find_package, from the prefix alone.
  cmake -S "$root/examples/host" -B "$work/host-cmake" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_PREFIX_PATH="$prefix" >"$work/host-cmake.log" 2>&1 ||
    { cat "$work/host-cmake.log"; fail "examples/host does not configure against $prefix"; }
  grep -qx "cmddll3_DIR:PATH=$prefix/$config" "$work/host-cmake/CMakeCache.txt" ||
    fail "find_package found cmddll3 elsewhere: $(grep cmddll3_DIR "$work/host-cmake/CMakeCache.txt")"
  cmake --build "$work/host-cmake" >>"$work/host-cmake.log" 2>&1 ||
    { cat "$work/host-cmake.log"; fail "examples/host does not build with find_package"; }
  readelf -d "$work/host-cmake/cmddll3-host" | grep -q 'NEEDED.*\[libcmddll3\.so\.1\]' ||
    fail "the host is not linked against libcmddll3.so.1"
  run_host "$work/host-cmake/cmddll3-host" "$work/run-cmake"

  # pkg-config, the second build line.
  export PKG_CONFIG_PATH="$prefix/$pcdir"
  [ "$(pkg-config --modversion cmddll3)" = "$version" ] || fail "pkg-config: cmddll3 is not $version"
  local libdir
  libdir=$(pkg-config --variable=libdir cmddll3)
  [ "$(realpath "$libdir")" = "$(realpath "$prefix/${config%/cmake/cmddll3}")" ] ||
    fail "pkg-config: libdir $libdir is not in $prefix"
  # shellcheck disable=SC2046
  c++ -std=c++20 -o "$work/host-pc" "$root/examples/host/main.cpp" \
      $(pkg-config --cflags --libs cmddll3) -Wl,-rpath,"$libdir" ||
    fail "examples/host does not build with pkg-config"
  run_host "$work/host-pc" "$work/run-pc"
}
