#!/usr/bin/env bash
# The main job: builds the tools and converts the bundled sample HEX file.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset native >/dev/null
cmake --build --preset native
mkdir -p build/out
build/native/bin/tessmark-cli convert tests/data/sample.hex build/out/SAMPLE.HXW
echo "written: build/out/SAMPLE.HXW"
