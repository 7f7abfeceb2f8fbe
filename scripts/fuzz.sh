#!/usr/bin/env bash
# Bounded libFuzzer run of every hand-written decoder and of the JPEG row reader (clang + libFuzzer, ASan + UBSan).
#   scripts/fuzz.sh [seconds per target, default 20]
# Seeds come from fuzz/corpus/<format>/; what a run discovers goes to build/fuzz/corpus/ and
# crashing inputs to build/fuzz/artifacts/. Exits non-zero when any target finds a crash.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"
build=build/fuzz
targets=(bmp tga pnm pcx dcx wbmp ico jpeg_rows)
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined"

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMW_BUILD_FUZZ=ON -DMW_IMAGING_ONLY=ON -DMW_BUILD_TESTS=OFF -DMW_BUILD_BENCH=OFF \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]/%/_fuzz}"

mkdir -p "$build/artifacts"
failed=()
for t in "${targets[@]}"; do
  work="$build/corpus/$t"
  mkdir -p "$work"
  seeds=()
  [ -d "fuzz/corpus/$t" ] && seeds=("fuzz/corpus/$t")
  echo "== fuzzing $t for ${seconds}s"
  if ! "$build/bin/${t}_fuzz" -max_total_time="$seconds" -rss_limit_mb=2048 -max_len=65536 -timeout=30 \
      -print_final_stats=1 -artifact_prefix="$build/artifacts/${t}-" "$work" "${seeds[@]}" \
      >"$build/$t.log" 2>&1; then
    failed+=("$t")
    tail -n 40 "$build/$t.log"
  else
    grep -E "stat::number_of_executed_units|Done [0-9]+ runs" "$build/$t.log" | tail -n 2 || true
  fi
done

if [ "${#failed[@]}" -ne 0 ]; then
  echo "fuzzing found crashes in: ${failed[*]} (inputs in $build/artifacts/)" >&2
  exit 1
fi
echo "fuzzing: no crashes in ${targets[*]}"
