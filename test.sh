#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
#   ./test.sh             Release build in build/release
#   ./test.sh --sanitize  AddressSanitizer + UndefinedBehaviorSanitizer build in build/sanitize
#   ./test.sh --tsan      ThreadSanitizer build in build/tsan of the tests that run threads: the
#                         picture fetch, the main window, the whole program with its font warm-up,
#                         the catalogue check on every core and the search index built on a worker
set -euo pipefail
cd "$(dirname "$0")"
source .ci/packages.sh
velmora_ensure_packages

build=build/release
flags=(-DCMAKE_BUILD_TYPE=Release)
targets=(all)
tests=()
if [ "${1:-}" = "--sanitize" ]; then
  build=build/sanitize
  flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_SANITIZE=ON)
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
  export LSAN_OPTIONS="suppressions=$PWD/.ci/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
elif [ "${1:-}" = "--tsan" ]; then
  build=build/tsan
  flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_TSAN=ON)
  targets=(raster_picture_fetch_tests app_main_form_tests e2e_program_tests app_catalogue_check_tests app_search_tests)
  tests=(-R '^(PictureFetch|TakePixelsFrom|MainFormTest|Program|CatalogueCheck|JpegCutShort|SearchTest)\.')
  # Qt's libraries are not instrumented: only races in the project's own code are reported.
  export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/.ci/tsan.supp"
fi

cmake -S . -B "$build" -G Ninja "${flags[@]}"
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --timeout 300 "${tests[@]}"
