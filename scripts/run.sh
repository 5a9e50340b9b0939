#!/usr/bin/env bash
# Installs what is missing, builds Пергалот and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --parallel "$(nproc 2>/dev/null || echo 2)" --target pergalot
exec build/lib/pergalot/pergalot
