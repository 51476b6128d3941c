#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time (FUZZ_SECONDS, 60 by
# default) from the corpus committed in fuzz/corpus. New inputs go to build-fuzz/corpus; crashes
# to build-fuzz/crashes, each of which becomes a test.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${FUZZ_SECONDS:-60}"
if ! command -v clang++ >/dev/null || ! dpkg-query -W libclang-rt-14-dev >/dev/null 2>&1; then
    sudo=""; [ "$(id -u)" != 0 ] && sudo=sudo
    $sudo apt-get install -y -qq clang-14 libclang-rt-14-dev >/dev/null
fi
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DKELVARA_BUILD_FUZZERS=ON -DKELVARA_BUILD_TESTS=OFF -DKELVARA_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-fuzz --target openrgb_fuzz integer_fuzz settings_fuzz keyboard_fuzz
mkdir -p build-fuzz/crashes
export QT_QPA_PLATFORM=offscreen
failed=0
for target in openrgb_fuzz integer_fuzz settings_fuzz keyboard_fuzz; do
    mkdir -p "build-fuzz/corpus/$target"
    echo "== $target, ${seconds} s"
    if ! "build-fuzz/fuzz/$target" -max_total_time="$seconds" -max_len=16384 \
        -artifact_prefix="build-fuzz/crashes/$target-" \
        "build-fuzz/corpus/$target" "fuzz/corpus/$target" >"build-fuzz/$target.log" 2>&1; then
        failed=1
        echo "   found a crash: see build-fuzz/$target.log and build-fuzz/crashes/"
    fi
    tail -n 1 "build-fuzz/$target.log"
done
exit $failed
