#!/usr/bin/env bash
# Renders the main window, after a conversion of samples/sample.dxf, to
# docs/ovixv1-window.png on the offscreen platform (no display needed).
# Run after ./scripts/build.sh; a scale such as QT_SCALE_FACTOR=1.5 may be set.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build --target ovix_window_screenshot
QT_QPA_PLATFORM=offscreen build/tests/app_gui/ovix_window_screenshot docs/ovixv1-window.png
echo "docs/ovixv1-window.png"
