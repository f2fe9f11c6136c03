#!/usr/bin/env bash
# Builds Release with the benchmarks and runs every one of them; extra arguments go to each program.
set -euo pipefail
cd "$(dirname "$0")"
source .ci/packages.sh
velmora_ensure_packages
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELMORA_BENCH=ON -DVELMORA_TESTS=OFF
cmake --build build/bench -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
for b in build/bench/bench/*; do
  [ -f "$b" ] && [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" "$@"
done
