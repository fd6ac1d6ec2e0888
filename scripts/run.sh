#!/usr/bin/env bash
# Sets up the machine, builds the program and starts it in the current folder
# (the start-up folder: pricetags.ini, the log and TXT/ live there).
set -euo pipefail
SRC="$(cd "$(dirname "$0")/.." && pwd)"
bash "$SRC/scripts/setup.sh"
cmake -S "$SRC" -B "$SRC/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$SRC/build" -j3 --target pricetags
exec "$SRC/build/app/pricetags"
