#!/usr/bin/env bash
# Installs what is missing, builds the sanitizer test configuration and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup-deps.sh
cmake --preset test
cmake --build --preset test -j2
ctest --preset test
