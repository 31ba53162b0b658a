#!/usr/bin/env bash
# The updater's download and verification of a package (256 MiB unless
# given) against curl with the test CA followed by sha256sum, and verifyFile
# against sha256sum, in one run on one local HTTPS server. Also the peak RSS
# growth of the download and the longest GUI-thread stall (1 ms probe) during
# the download and the start-up verification.
# Usage: bench/updater.sh [MiB]
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/common.sh
command -v curl >/dev/null || bench_install curl
bench_build bench_updater
build/bench/bench_updater "${1:-256}"
