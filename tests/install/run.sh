#!/usr/bin/env bash
# Installs the build into a scratch prefix and builds a host against it both ways a user
# would: pkg-config and CMake's find_package.
set -euo pipefail
build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

cmake --install "$build" --prefix "$prefix" >/dev/null
test -f "$prefix/include/toveldom/toveldom.h"
test -f "$prefix/lib/pkgconfig/toveldom.pc"
test -f "$prefix/lib/cmake/toveldom/toveldomConfig.cmake"
soname=$(objdump -p "$prefix/lib/libtoveldom.so" | awk '/SONAME/ {print $2}')
test "$soname" = "libtoveldom.so.7"

# pkg-config
flags=$(PKG_CONFIG_PATH=$prefix/lib/pkgconfig pkg-config --cflags --libs toveldom)
c++ "$source/tests/install/consumer.cpp" $flags -o "$work/consumer-pc"
"$work/consumer-pc"

# find_package
cmake -S "$source/tests/install" -B "$work/cmake-build" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmake-build" >/dev/null
"$work/cmake-build/consumer"

# The installed library finds its encoding files from anywhere the host runs.
if [ -d "$prefix/share/toveldom" ]; then
    count=$(ls "$prefix/share/toveldom"/*.enc 2>/dev/null | wc -l)
    test "$count" -eq 31
fi

# The installed tool runs against the installed library and passes the golden tests.
test -x "$prefix/bin/toveldom"
"$prefix/bin/toveldom" --version | grep -q '^toveldom 7.4.0$'
(cd "$work" && "$prefix/bin/toveldom" encodings >/dev/null)
if [ -x "$build/bin/tool_test" ]; then
    TOVELDOM_TOOL="$prefix/bin/toveldom" "$build/bin/tool_test" --gtest_brief=1 >/dev/null
fi
