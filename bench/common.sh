# Shared set-up for the benchmark scripts; source it from the repository root.

# Installs the Debian packages named, when any are given (as root, or through sudo).
bench_install() {
  [ $# -gt 0 ] || return 0
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$@"
}

# Configures build/ when it is new and builds the named target.
bench_build() {
  [ -f build/CMakeCache.txt ] || cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build -j2 --target "$1" >/dev/null
}
