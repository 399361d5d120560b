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
headers="media/gif/RxGIF.h media/gif/RxGIFReader.h media/gif/Lzw.h media/animation/FrameComposer.h media/base/Colors.h media/base/Exceptions.h"
objs=""
for unit in media/gif/RxGIF.cpp media/gif/RxGIFReader.cpp media/gif/Lzw.cpp media/animation/FrameComposer.cpp media/base/Colors.cpp \
    fuzz/fuzz_gif.cpp; do
    obj="$out/$(basename "$unit" .cpp).o"
    # Rebuild only what changed.
    stale=0
    if [ ! -f "$obj" ] || [ "$src/$unit" -nt "$obj" ]; then stale=1; fi
    for h in $headers; do
        if [ "$src/$h" -nt "$obj" ]; then stale=1; fi
    done
    if [ "$stale" -eq 1 ]; then
        # shellcheck disable=SC2086
        $cxx $flags -I"$src" $(pkg-config --cflags Qt6Gui) -c "$src/$unit" -o "$obj"
    fi
    objs="$objs $obj"
done
# shellcheck disable=SC2086
$cxx $flags $objs $qt -o "$out/fuzz_gif"
