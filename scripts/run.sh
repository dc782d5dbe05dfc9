#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds Vantrel and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup-debian.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTREL_BUILD_TESTS=OFF
cmake --build build -j"$(nproc)"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No desktop display here: start build/bin/vantrel from a desktop session." >&2
    echo "The converter also runs from a terminal: build/bin/vantrel-cli --help" >&2
    exit 1
fi
exec ./build/bin/vantrel "$@"
