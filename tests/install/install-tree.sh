#!/usr/bin/env bash
# Installs the build folder into a temporary prefix (nothing is rebuilt), then
# builds the outside program in consumer/ against the installed tree twice,
# through the CMake package and through pellar.pc, and runs both builds.
#   install-tree.sh BUILD_DIR CXX_COMPILER
set -euo pipefail
build_dir=$1
cxx=$2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

cmake --install "$build_dir" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; exit 1; }
for file in bin/vantrel bin/pellar-demo-server share/vantrel/resources/Info.json \
    share/pellar-demo-server/scenarios/default/scenario.json include/pellar/ads/core/PellarView.h \
    include/pellar/ads/core/PellarDelegate.h lib/cmake/Pellar/PellarConfig.cmake lib/pkgconfig/pellar.pc \
    lib/pellar/libpellar_ads.a; do
    [[ -e "$prefix/$file" ]] || { echo "not installed: $file"; exit 1; }
done

# The installed tree only: nothing may point back into the checkout.
if grep -rl "$(cd "$here/../.." && pwd)" "$prefix/lib/cmake" "$prefix/lib/pkgconfig"; then
    echo "the installed package refers to the checkout"
    exit 1
fi

export VANTREL_DATA_DIR=$work/data
export HOME=$work/home

echo "== CMake package"
cmake -S "$here/consumer" -B "$work/cmake-build" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_COMPILER="$cxx" \
    -DCMAKE_BUILD_TYPE=Release >"$work/configure.log" || { cat "$work/configure.log"; exit 1; }
cmake --build "$work/cmake-build"
"$work/cmake-build/pellar-consumer"

echo "== pkg-config"
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
"$cxx" -O1 -o "$work/pellar-consumer-pc" "$here/consumer/PellarConsumer.cpp" $(pkg-config --cflags --libs pellar libsoup-3.0)
"$work/pellar-consumer-pc"
