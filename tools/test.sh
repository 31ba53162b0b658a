#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite under a
# virtual display and a private session bus.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh --test
bash tools/build.sh
export LIBGL_ALWAYS_SOFTWARE=1
exec xvfb-run -a -s "-screen 0 1920x1080x24" \
  dbus-run-session -- ctest --test-dir build --output-on-failure "$@"
