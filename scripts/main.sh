#!/usr/bin/env bash
# Fresh Debian 12 machine to the main job in one step: installs what is
# missing, builds everything and converts the bundled sample drawing.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup-debian.sh
./scripts/build.sh
if [ -x build/app/ovix-convert ] && [ -f samples/sample.dxf ]; then
  mkdir -p out
  build/app/ovix-convert samples/sample.dxf out/sample.xlsx --overwrite "$@"
  echo "Converted samples/sample.dxf to out/sample.xlsx"
else
  echo "Built everything; the converter does not exist yet, so there is nothing to convert."
fi
