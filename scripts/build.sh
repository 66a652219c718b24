#!/usr/bin/env bash
# Configures (once) and builds the project into build/ (or $QB_BUILD_DIR).
# QB_WARNINGS_AS_ERRORS=ON or OFF, when set, switches -Werror on or off for this build and the
# next ones in the same folder; unset, the folder keeps what it had (off at first).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QB_BUILD_DIR:-$root/build}
options=()
if [ -n "${QB_WARNINGS_AS_ERRORS:-}" ]; then
  options+=("-DQB_WARNINGS_AS_ERRORS=$QB_WARNINGS_AS_ERRORS")
fi
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=${QB_BUILD_TYPE:-RelWithDebInfo} \
    ${options[@]+"${options[@]}"} >/dev/null
else
  # Configured again each time: packages installed since (GoogleTest by ./test.sh after
  # ./quillbox2.sh) are then found.
  cmake -S "$root" -B "$build" ${options[@]+"${options[@]}"} >/dev/null
fi
cmake --build "$build" -j "$(nproc)"
