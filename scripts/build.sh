#!/usr/bin/env bash
# Configures and builds Moldena into the given build folder (default: build),
# Release unless BUILD_TYPE says otherwise, every target unless BUILD_TARGET
# names one. Extra arguments go to CMake.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}
shift || true
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Release}" "$@"
cmake --build "$build_dir" -j "$(nproc)" ${BUILD_TARGET:+--target "$BUILD_TARGET"}
