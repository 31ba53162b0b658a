#!/usr/bin/env bash
# Configures and builds into ./build. Arguments are passed to the configure
# step, e.g. -DZORVI_WERROR=ON; settings given once stay in build/CMakeCache.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build build -j"$(nproc)"
