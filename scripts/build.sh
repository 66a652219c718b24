#!/usr/bin/env bash
# Configures (once) and builds the project into build/ (or $QB_BUILD_DIR).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QB_BUILD_DIR:-$root/build}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=${QB_BUILD_TYPE:-RelWithDebInfo} >/dev/null
else
  # Configured again each time: packages installed since (GoogleTest by ./test.sh after
  # ./quillbox2.sh) are then found.
  cmake -S "$root" -B "$build" >/dev/null
fi
cmake --build "$build" -j "$(nproc)"
