#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
#   ./test.sh             Release build in build/release
#   ./test.sh --sanitize  AddressSanitizer + UndefinedBehaviorSanitizer build in build/sanitize
set -euo pipefail
cd "$(dirname "$0")"
source .ci/packages.sh
velmora_ensure_packages

build=build/release
flags=(-DCMAKE_BUILD_TYPE=Release)
if [ "${1:-}" = "--sanitize" ]; then
  build=build/sanitize
  flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_SANITIZE=ON)
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
  export LSAN_OPTIONS="suppressions=$PWD/.ci/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
fi

cmake -S . -B "$build" -G Ninja "${flags[@]}"
cmake --build "$build" -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --timeout 300
