#!/usr/bin/env bash
# Builds the fuzzers with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) into build-fuzz/ and runs each for a while.
# A finding (crash, sanitizer report, leak, timeout) stops the script with a
# failure and leaves the input in build-fuzz/findings/.
#   scripts/fuzz.sh [seconds per fuzzer, default 120]
# Seeds: the project's sample drawing and, when present, the shared DXF
# samples and reference workbooks. Findings land in build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-120}"
./scripts/sanitizer-build.sh dxf_conversion_fuzzer xlsx_open_fuzzer xls_open_fuzzer

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
# The fuzzers run side by side; the script fails when any finds something.
# Their logs are build-fuzz/fuzz-dxf.log, fuzz-xlsx.log and fuzz-xls.log (the
# last lines give the run counts).
build-fuzz/tests/fuzz/dxf_conversion_fuzzer build-fuzz/corpus/dxf -max_total_time="$seconds" \
  -max_len=400000 -timeout=120 -rss_limit_mb=4096 -artifact_prefix=build-fuzz/findings/dxf- \
  > build-fuzz/fuzz-dxf.log 2>&1 &
dxf=$!
build-fuzz/tests/fuzz/xlsx_open_fuzzer build-fuzz/corpus/xlsx -max_total_time="$seconds" \
  -max_len=500000 -timeout=120 -rss_limit_mb=4096 -artifact_prefix=build-fuzz/findings/xlsx- \
  > build-fuzz/fuzz-xlsx.log 2>&1 &
xlsx=$!
build-fuzz/tests/fuzz/xls_open_fuzzer build-fuzz/corpus/xls -max_total_time="$seconds" \
  -max_len=400000 -timeout=120 -rss_limit_mb=4096 -artifact_prefix=build-fuzz/findings/xls- \
  > build-fuzz/fuzz-xls.log 2>&1 &
xls=$!
status=0
wait "$dxf" || { status=1; echo "dxf_conversion_fuzzer found a problem:"; tail -40 build-fuzz/fuzz-dxf.log; }
wait "$xlsx" || { status=1; echo "xlsx_open_fuzzer found a problem:"; tail -40 build-fuzz/fuzz-xlsx.log; }
wait "$xls" || { status=1; echo "xls_open_fuzzer found a problem:"; tail -40 build-fuzz/fuzz-xls.log; }
for log in build-fuzz/fuzz-dxf.log build-fuzz/fuzz-xlsx.log build-fuzz/fuzz-xls.log; do
  grep -E "^Done [0-9]+ runs" "$log" || true
done
exit "$status"
