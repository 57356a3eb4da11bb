#!/usr/bin/env bash
# Installs what is missing, builds Moldena (Release) and runs every test.
# Exits non-zero when any test fails. Tests that need OpenGL run on a virtual
# X display; the others use Qt's offscreen platform.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build
cd build
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j "$(nproc)"
