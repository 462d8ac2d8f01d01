#!/usr/bin/env bash
# Renders the converted sample (out/sample.xlsx, made by scripts/main.sh) to
# docs/sample.png: LibreOffice prints the sheet to PDF as one page holding
# the whole drawing, and pdftoppm rasterises it. LibreOffice runs with a
# profile of its own, so it neither needs nor touches the user's.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f out/sample.xlsx ] || { echo "out/sample.xlsx is missing: run scripts/main.sh first" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
soffice -env:UserInstallation="file://$work/profile" --headless \
  --convert-to 'pdf:calc_pdf_Export:{"SinglePageSheets":{"type":"boolean","value":"true"}}' \
  --outdir "$work" out/sample.xlsx > /dev/null
pdftoppm -png -r 110 -singlefile "$work/sample.pdf" docs/sample
echo "Wrote docs/sample.png"
