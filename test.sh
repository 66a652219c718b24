#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/install-deps.sh" --tests
# A warning fails the test run, so none lands.
QB_WARNINGS_AS_ERRORS=ON "$root/scripts/build.sh"
cd "${QB_BUILD_DIR:-$root/build}"
ctest --output-on-failure -j "$(nproc)" --timeout 600 "$@"
