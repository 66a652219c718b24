#!/usr/bin/env bash
# Installs what is missing, builds, and starts Quillbox2 with the given folders or job file.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/install-deps.sh"
# Warnings stay warnings here, even in a folder ./test.sh built before: a newer compiler's
# warning must not keep a user from the program.
QB_WARNINGS_AS_ERRORS=OFF "$root/scripts/build.sh"
exec "$root/build/quillbox2" "$@"
