#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds Vantrel and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup-debian.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTREL_BUILD_TESTS=OFF
cmake --build build -j"$(nproc)"
exec ./build/bin/vantrel-cli profiles "$@"
