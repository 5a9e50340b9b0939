#!/usr/bin/env bash
# Installs what is missing, builds Пергалот and runs every test: first the
# ordinary build, then the same tests under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --parallel "$jobs"
ctest --test-dir build --output-on-failure --parallel "$jobs"

# The sanitizer run leaves out the slow LibreOffice round trips, which test
# the same writer output the ordinary run already checked.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPERGALOT_SANITIZE=ON
cmake --build build-asan --parallel "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure --parallel "$jobs" --label-exclude interop
