#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds Vantrel with its tests and runs them all.
# Window tests run on Qt's offscreen platform; those that embed the real player
# need an X server, which xvfb-run provides.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup-debian.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTREL_BUILD_TESTS=ON
cmake --build build -j"$(nproc)"
cd build
exec xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j"$(nproc)" "$@"
