#!/usr/bin/env bash
# Fresh Debian 12 machine to the main job in one step: installs what is
# missing, builds everything and converts the bundled sample drawing
# samples/sample.dxf into the workbook out/sample.xlsx. Extra arguments go to
# ovix-convert (for example --paper A3-landscape or --scale 1/2).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup-debian.sh
./scripts/build.sh
mkdir -p out
# A fresh workbook each time: converting into an existing one would draw the
# sample a second time over the first.
rm -f out/sample.xlsx
build/app/ovix-convert samples/sample.dxf out/sample.xlsx "$@"
echo "Converted samples/sample.dxf to out/sample.xlsx"
