#!/usr/bin/env bash
# Builds the fuzzers with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) into build-fuzz/ and runs each for a while.
#   scripts/fuzz.sh [seconds per fuzzer, default 120]
# Seeds: the project's sample drawing and, when present, the shared DXF
# samples and reference workbooks. Findings land in build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-120}"
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
  -DOVIX_BUILD_GUI=OFF -DOVIX_BUILD_BENCHMARKS=OFF -DOVIX_BUILD_FUZZERS=ON \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined"
cmake --build build-fuzz --target dxf_conversion_fuzzer xlsx_open_fuzzer xls_open_fuzzer --parallel "$(nproc)"

shared="${OVIX_SHARED_DIR:-../shared}"
mkdir -p build-fuzz/corpus/dxf build-fuzz/corpus/xlsx build-fuzz/corpus/xls build-fuzz/findings
cp samples/sample.dxf build-fuzz/corpus/dxf/ 2>/dev/null || true
if [ -d "$shared/dxf-samples" ]; then
  find "$shared/dxf-samples" -name '*.dxf' -size -300k -exec cp {} build-fuzz/corpus/dxf/ \;
fi
if [ -d "$shared/ooxml-reference/xlsx" ]; then
  find "$shared/ooxml-reference/xlsx" -name '*.xls[xm]' -size -400k -exec cp {} build-fuzz/corpus/xlsx/ \;
fi
if [ -d "$shared/xls-reference" ]; then
  find "$shared/xls-reference" -name '*.xls' -size -400k -exec cp {} build-fuzz/corpus/xls/ \;
  chmod -R u+w build-fuzz/corpus/xls
fi
build-fuzz/tests/fuzz/dxf_conversion_fuzzer build-fuzz/corpus/dxf -max_total_time="$seconds" \
  -max_len=400000 -timeout=30 -rss_limit_mb=4096 -artifact_prefix=build-fuzz/findings/dxf-
build-fuzz/tests/fuzz/xlsx_open_fuzzer build-fuzz/corpus/xlsx -max_total_time="$seconds" \
  -max_len=500000 -timeout=30 -rss_limit_mb=4096 -artifact_prefix=build-fuzz/findings/xlsx-
build-fuzz/tests/fuzz/xls_open_fuzzer build-fuzz/corpus/xls -max_total_time="$seconds" \
  -max_len=400000 -timeout=60 -rss_limit_mb=4096 -artifact_prefix=build-fuzz/findings/xls-
