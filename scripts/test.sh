#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test:
#   1. the release build and its ctest suite (GUI tests offscreen),
#   2. everything but the desktop program, with its tests, under AddressSanitizer +
#      UndefinedBehaviorSanitizer (the batch tool's end-to-end tests run the sanitized tool),
#   3. a short, bounded libFuzzer run of every hand-written decoder and the JPEG row reader.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/release -j "$jobs"
ctest --test-dir build/release --output-on-failure -j "$jobs"

cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMW_BUILD_GUI=OFF -DMW_IMAGING_ONLY=OFF -DMW_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined"
cmake --build build/asan -j "$jobs"
ctest --test-dir build/asan --output-on-failure -j "$jobs"

if [ -x scripts/fuzz.sh ]; then
  bash scripts/fuzz.sh "${MW_FUZZ_SECONDS:-20}"
fi
