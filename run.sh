#!/usr/bin/env bash
# Installs what is missing, builds Release in build/release and starts the catalogue with the demo
# data the build draws beside it. Arguments go to the program: ./run.sh DEBUG starts the editor.
set -euo pipefail
cd "$(dirname "$0")"
source .ci/packages.sh
velmora_ensure_packages

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" -j "$(nproc)" --target velmora
exec "$build/bin/velmora" "$@"
