#!/usr/bin/env bash
# Builds the project with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer (and libFuzzer's coverage instrumentation) into
# build-fuzz/: the one sanitizer build that both the sanitized test suite
# (scripts/sanitize.sh) and the fuzzers (scripts/fuzz.sh) use.
#   scripts/sanitizer-build.sh [target...]   (default: everything)
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup-debian.sh
apt_missing=()
for p in clang libclang-rt-14-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || apt_missing+=("$p")
done
if [ ${#apt_missing[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${apt_missing[@]}"
fi
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -g -O1"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DOVIX_BUILD_BENCHMARKS=OFF -DOVIX_BUILD_FUZZERS=ON  \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined"
if [ $# -gt 0 ]; then
  cmake --build build-fuzz --target "$@" --parallel "$(nproc)"
else
  cmake --build build-fuzz --parallel "$(nproc)"
fi
