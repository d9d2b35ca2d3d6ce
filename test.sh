#!/usr/bin/env bash
# Installs what is missing, builds the sanitizer test configuration and runs every test;
# then the drawing library's tests under the thread checker.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup-deps.sh
cmake --preset test
cmake --build --preset test -j2
ctest --preset test
# The drawing library shares its pictures among threads: its tests run again
# under the thread checker.
cmake --preset tsan
cmake --build --preset tsan -j2 --target kxrender_tests
ctest --preset tsan -R '^Raster\.'
