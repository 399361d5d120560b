#!/bin/sh
# Builds the GIF fuzzer with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, apart from the main (g++) build.
# usage: fuzz/build.sh OUTDIR   ->   OUTDIR/fuzz_gif
set -eu
src=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$src/build/fuzz}
mkdir -p "$out"
cxx=${CXX_FUZZ:-clang++-14}
flags="-std=c++20 -g -O1 -fPIC -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined"
qt=$(pkg-config --cflags --libs Qt6Gui)
objs=""
for unit in media/RxGIF.cpp media/Lzw.cpp fuzz/fuzz_gif.cpp; do
    obj="$out/$(basename "$unit" .cpp).o"
    # Rebuild only what changed.
    if [ ! -f "$obj" ] || [ "$src/$unit" -nt "$obj" ] || [ "$src/media/RxGIF.h" -nt "$obj" ] \
        || [ "$src/media/Lzw.h" -nt "$obj" ]; then
        # shellcheck disable=SC2086
        $cxx $flags -I"$src" $(pkg-config --cflags Qt6Gui) -c "$src/$unit" -o "$obj"
    fi
    objs="$objs $obj"
done
# shellcheck disable=SC2086
$cxx $flags $objs $qt -o "$out/fuzz_gif"
