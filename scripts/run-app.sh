#!/usr/bin/env bash
# Installs what is missing, builds Moldena (Release) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build
if [ -x build/src/wizard/moldena ]; then
  exec build/src/wizard/moldena "$@"
fi
echo "Moldena's libraries are built; the wizard application is not part of this build yet."
