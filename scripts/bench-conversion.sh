#!/usr/bin/env bash
# The whole-conversion benchmark: the 200,000-entity drawing converted to a
# saved workbook by ovix-convert, side by side with ezdxf.readfile of the same
# file, 5 runs each (min and median). Arguments go to scripts/bench_conversion.py:
#   scripts/bench-conversion.sh                      # gen_big.py's drawing (own generator without ezdxf)
#   scripts/bench-conversion.sh --drawing both       # both generators, and their difference
#   scripts/bench-conversion.sh --entities 2000000 --drawing own --no-ezdxf
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup-debian.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target ovix-convert ovix_mixed_drawing
exec python3 scripts/bench_conversion.py "$@"
