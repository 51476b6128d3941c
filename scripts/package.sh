#!/usr/bin/env bash
# Installs what is missing, then builds the Debian package kelvara_<version>_<arch>.deb in
# build-package/. Install it with: sudo apt install ./build-package/kelvara_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELVARA_BUILD_TESTS=OFF \
    -DKELVARA_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-package
rm -f build-package/kelvara_*.deb
(cd build-package && cpack -G DEB >/dev/null)
ls build-package/kelvara_*.deb
