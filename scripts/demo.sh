#!/usr/bin/env bash
# A complete simulated upgrade, paced as on a real device but sped up 20 times.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
cmake --preset host >/dev/null
cmake --build --preset host --target orvik-sim -j "$(nproc)"
exec build/host/bin/orvik-sim --clock real:20 "$@"
