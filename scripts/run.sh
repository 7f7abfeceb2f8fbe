#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it on the bundled sample photo.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/release -j "$(nproc)" --target mountwell mountwell-frame
exec build/release/bin/mountwell "$@"
