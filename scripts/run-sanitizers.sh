#!/usr/bin/env bash
# Builds the quick unit tests with AddressSanitizer and UndefinedBehaviorSanitizer
# and runs them; the first report stops the test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# -O1 without debug information keeps the build short on two cores; reports
# still name the functions and files. Only the unit-test binaries and what
# they link are built.
BUILD_TYPE=RelWithDebInfo BUILD_TARGET=unit_tests bash scripts/build.sh build-sanitize \
  -DMOLDENA_SANITIZE=address,undefined -DMOLDENA_BUILD_BENCH=OFF -DMOLDENA_BUILD_SLOW_TESTS=OFF \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -DNDEBUG"
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp
cd build-sanitize
ctest -L unit --output-on-failure -j "$(nproc)"
