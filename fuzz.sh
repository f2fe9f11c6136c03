#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang in build/fuzz and runs each for SECONDS
# (default 60) from its seed corpus, one after another. Never part of ./test.sh or CI.
#   ./fuzz.sh [SECONDS] [TARGET...]    targets: ini sign_list hotspots rtf picture placement
# Findings land in build/fuzz/findings/<target>/; keep each as a named file under
# tests/data/hostile/<target>/, where the ordinary suite replays it. The corpus grown by a run stays
# in build/fuzz/corpus/<target>/ (the committed seeds are only read).
set -euo pipefail
cd "$(dirname "$0")"
seconds="${1:-60}"
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(ini sign_list hotspots rtf picture placement)

source .ci/packages.sh
velmora_ensure_packages clang libclang-rt-14-dev

build=build/fuzz
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_FUZZ=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
cmake --build "$build" -j "$(nproc)" --target "${targets[@]/#/fuzz_}"

export QT_QPA_PLATFORM=offscreen
# The line list saves through fsync: scratch files on a memory file system keep the targets fast.
[ -d /dev/shm ] && export TMPDIR=/dev/shm
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:allocator_may_return_null=1"
export LSAN_OPTIONS="suppressions=$PWD/.ci/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
for t in "${targets[@]}"; do
  mkdir -p "$build/corpus/$t" "$build/findings/$t"
  extra=()
  # A quadratic case shows only on long input: the reader gets long inputs from the start, built
  # from the control words it knows.
  [ "$t" = rtf ] && extra=(-len_control=0 -dict=tests/fuzz/rtf.dict)
  # -fork keeps the run going past a finding; every one is kept in findings/.
  "$build/fuzz/fuzz_$t" "$build/corpus/$t" "tests/fuzz/corpus/$t" \
    -max_total_time="$seconds" -timeout=20 -rss_limit_mb=3072 -max_len=65536 \
    -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
    -artifact_prefix="$build/findings/$t/" -print_final_stats=1 "${extra[@]}" 2>&1 | tee "$build/findings/$t.log" | grep -E "^#|ERROR|FINDING|Test unit written|stat::" || true
done
