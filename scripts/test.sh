#!/usr/bin/env bash
# Fresh Debian 12 machine to test results in one step: installs what is
# missing, builds, and runs every test. Exits non-zero when a test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup-debian.sh
./scripts/build.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure --parallel "$(nproc)" --timeout 600
