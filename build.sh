#!/usr/bin/env bash
# ./build.sh start   install what is missing, build, start Orbeko
# ./build.sh test    install what is missing, build, run every test (beside a
#                    throwaway PostgreSQL server, scripts/test-postgres.sh)
# ./build.sh asan    the tests once more under AddressSanitizer and UBSan,
#                    all but the soak (ctest label soak), which ./build.sh test runs
# ./build.sh bench   build and run the benchmarks
# ./build.sh package build the Debian package and check what it holds
set -euo pipefail
cd "$(dirname "$0")"
what=${1:-test}
./scripts/install-deps.sh
jobs=$(nproc)

configure() {  # dir, extra cmake arguments...
  local dir=$1; shift
  # CI sets ORBEKO_WERROR=ON: a warning there fails the build.
  cmake -S . -B "$dir" -G Ninja -DORBEKO_WERROR="${ORBEKO_WERROR:-OFF}" "$@" >/dev/null
}

case "$what" in
  start)
    configure build -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake --build build -j "$jobs" --target orbeko
    exec ./build/src/orbeko
    ;;
  test)
    configure build -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake --build build -j "$jobs"
    QT_QPA_PLATFORM=offscreen ./scripts/test-postgres.sh ctest --test-dir build --output-on-failure -j "$jobs"
    ;;
  asan)
    configure build-asan -DCMAKE_BUILD_TYPE=Debug -DORBEKO_SANITIZE=ON -DORBEKO_BUILD_BENCH=OFF
    cmake --build build-asan -j "$jobs"
    QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
      UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      ./scripts/test-postgres.sh ctest --test-dir build-asan --output-on-failure -j "$jobs" -LE soak
    ;;
  bench)
    configure build-bench -DCMAKE_BUILD_TYPE=Release -DORBEKO_BUILD_TESTS=OFF
    cmake --build build-bench -j "$jobs"
    ./scripts/test-postgres.sh bash -c 'for b in build-bench/bench/bench_*; do "$b"; done'
    ;;
  package)
    configure build-package -DCMAKE_BUILD_TYPE=Release -DORBEKO_BUILD_TESTS=OFF -DORBEKO_BUILD_BENCH=OFF \
      -DCMAKE_INSTALL_PREFIX=/usr
    cmake --build build-package -j "$jobs"
    (cd build-package && cpack -G DEB)
    ./scripts/check-package.sh build-package/orbeko_*_amd64.deb
    ;;
  *)
    echo "usage: $0 start|test|asan|bench|package" >&2
    exit 2
    ;;
esac
