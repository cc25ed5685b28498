#!/usr/bin/env bash
#   run.sh BUILD_DIR SOURCE_DIR
# Installs (staged with DESTDIR) to /usr/local, /opt/NAME and /usr with Debian's multiarch
# library directory, and builds hosts against each by pkg-config and find_package, shared
# and static. Every host loads a windows-1252 document, so finds the installed ".enc" files.
# /usr needs its own configuration (the library directory and the data path compiled in
# follow from the prefix): BUILD_DIR/install-usr, built by the target toveldom_usr_layout.
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sample=$source/samples/catalogue.xml
hosts=$work/hosts
fail() { echo "install test ($label): $*" >&2; exit 1; }

check_layout() { # LABEL BUILD_DIR PREFIX
    label=$1
    local tree=$2 prefix=$3 stage=$work/$1
    DESTDIR=$stage cmake --install "$tree" --prefix "$prefix" >/dev/null
    local root=$stage$prefix pc
    pc=$(find "$root" -name toveldom.pc)
    [ -n "$pc" ] || fail "no toveldom.pc installed"
    local libdir=${pc%/pkgconfig/toveldom.pc}
    [ -f "$libdir/libtoveldom.so.7" ] && [ -f "$libdir/libtoveldom.a" ] ||
        fail "shared and static library not both in $libdir"
    [ -f "$root/include/toveldom/toveldom.h" ] || fail "headers not in $root/include"
    [ -f "$root/share/man/man1/toveldom.1" ] || fail "manual page not installed"
    [ "$(ls "$root/share/toveldom"/*.enc | wc -l)" -eq 31 ] || fail "not 31 .enc files"
    [ -f "$libdir/cmake/toveldom/toveldomConfig.cmake" ] || fail "no CMake package in $libdir"

    # pkg-config reads the file as installed, with the staging directory as its sysroot.
    local pkg=(env PKG_CONFIG_PATH="$libdir/pkgconfig" PKG_CONFIG_SYSROOT_DIR="$stage" pkg-config)
    [ "$("${pkg[@]}" --variable=libdir toveldom)" = "$libdir" ] ||
        fail "pkg-config libdir is $("${pkg[@]}" --variable=libdir toveldom), not $libdir"
    [ "$("${pkg[@]}" --variable=includedir toveldom)" = "$root/include" ] ||
        fail "pkg-config includedir is $("${pkg[@]}" --variable=includedir toveldom)"
    local cflags
    cflags=$("${pkg[@]}" --cflags toveldom)
    [[ $cflags != *-std=* ]] || fail "Cflags impose a language level: $cflags"
    c++ -std=c++20 -DTOVELDOM_EXPECT_CXX20 "$source/tests/install/consumer.cpp" $cflags \
        $("${pkg[@]}" --libs toveldom) -o "$stage/consumer-pc"
    LD_LIBRARY_PATH=$libdir "$stage/consumer-pc" "$sample" >/dev/null ||
        fail "pkg-config host failed"
    c++ "$source/tests/install/consumer.cpp" $cflags -static \
        $("${pkg[@]}" --static --libs toveldom) -o "$stage/consumer-pc-static" 2>"$stage/ld.log" ||
        { cat "$stage/ld.log" >&2; fail "pkg-config --static link failed"; }

    # find_package, from the staged prefix: the package is relocatable. One host build
    # tree serves every layout, so the compiler is probed once.
    cmake -S "$source/tests/install" -B "$hosts" -U toveldom_DIR -DCMAKE_PREFIX_PATH="$root" \
        >/dev/null || fail "find_package failed"
    grep -q "^toveldom_DIR:PATH=$libdir/cmake/toveldom\$" "$hosts/CMakeCache.txt" ||
        fail "find_package found another package: $(grep ^toveldom_DIR "$hosts/CMakeCache.txt")"
    cmake --build "$hosts" >/dev/null || fail "CMake host did not build"
    LD_LIBRARY_PATH=$libdir "$hosts/consumer" "$sample" >/dev/null || fail "CMake host failed"
    local targets=$libdir/cmake/toveldom/toveldomTargets.cmake
    grep -q 'INTERFACE_COMPILE_FEATURES "cxx_std_17"' "$targets" || fail "no cxx_std_17 usage requirement"
    [ "$(grep -o 'INTERFACE_INCLUDE_DIRECTORIES.*' "$targets" | grep -o 'include' | wc -l)" -eq 1 ] ||
        fail "include directory listed more than once"

    # A static host finds the data directory from its own place: run both static hosts
    # from the installed bin/ through PATH, elsewhere, so nothing lies beside them.
    cp "$hosts/consumer_static" "$stage/consumer-pc-static" "$root/bin/"
    mkdir -p "$stage/elsewhere"
    for host in consumer_static consumer-pc-static; do
        (cd "$stage/elsewhere" && PATH=$root/bin:$PATH "$host" "$sample" >/dev/null) ||
            fail "$host did not find the .enc files"
    done

    # The installed tool runs against the installed library and finds every .enc file.
    (cd "$stage/elsewhere" && LD_LIBRARY_PATH=$libdir "$root/bin/toveldom" encodings >/dev/null) ||
        fail "installed tool does not load every encoding"
}

check_layout usr-local "$build" /usr/local
check_layout opt "$build" /opt/toveldom

usr=$build/install-usr
[ -f "$usr/lib/libtoveldom.a" ] || { label=usr; fail "build the target toveldom_usr_layout first"; }
libdir=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:PATH=//p' "$usr/CMakeCache.txt")
if [ -f /etc/debian_version ] && [ "$libdir" = lib ]; then
    label=usr; fail "a /usr install on Debian should use lib/<multiarch>, not lib"
fi
check_layout usr "$usr" /usr
