#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in ./build-fuzz and runs each for a bounded time (ctest label "fuzz").
# Usage: scripts/fuzz.sh [seconds per target, default 30]. A crashing input is written to
# build-fuzz/tests/fuzz/crashes/; once the fault is fixed, keep it in tests/fuzz/corpus/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"

scripts/setup.sh
if ! command -v clang++ >/dev/null || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends clang libclang-rt-14-dev
fi

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DGROCELLE_FUZZ=ON -DGROCELLE_FUZZ_SECONDS="$seconds" -DGROCELLE_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build build-fuzz -j2 --target fuzz_settings fuzz_definition fuzz_query fuzz_v1 fuzz_backup
cd build-fuzz
# One target at a time: each fuzzer keeps a core busy for its whole run.
ctest -L fuzz --output-on-failure -j1
