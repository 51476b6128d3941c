#!/usr/bin/env bash
# Installs what is missing, builds Kelvara with its tests and benchmarks, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

# Formatting is part of the build's rules.
git ls-files -z -- 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'tools/*.cpp' 'fuzz/*.cpp' |
    xargs -0 clang-format --dry-run --Werror

cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVARA_WERROR=ON \
    -DKELVARA_BUILD_TESTS=ON -DKELVARA_BUILD_BENCHMARKS=ON >/dev/null
cmake --build build-test
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
ctest --test-dir build-test --output-on-failure -j2
# The Debian package, from the same build: its files, its dependencies, lintian.
rm -f build-test/kelvara_*.deb
(cd build-test && cpack -G DEB >/dev/null)
tests/package/check.sh build-test
# A short pass of every benchmark, so that they keep working.
build-test/bench/kelvara_bench --benchmark_min_time=0.01 >/dev/null

# The whole suite once more under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitizers="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKELVARA_WERROR=ON \
    -DKELVARA_BUILD_TESTS=ON -DKELVARA_BUILD_BENCHMARKS=OFF \
    -DCMAKE_CXX_FLAGS="$sanitizers" -DCMAKE_EXE_LINKER_FLAGS="$sanitizers" >/dev/null
cmake --build build-asan
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp" ctest --test-dir build-asan --output-on-failure -j2
