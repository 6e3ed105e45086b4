#!/usr/bin/env bash
# Pivora: install what is missing, build, then start the program or run the tests.
#   ./setup.sh run    installs, builds and starts Pivora
#   ./setup.sh test   installs, builds and runs the whole test suite
set -euo pipefail
cd "$(dirname "$0")"

packages=(cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev libgtest-dev libgmock-dev
          libbenchmark-dev fonts-liberation fonts-ipafont-gothic)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -q
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)"

case "${1:-run}" in
    run) exec ./build/app/pivora ;;
    test) ctest --test-dir build --output-on-failure -j"$(nproc)" ;;
    *) echo "usage: $0 run|test" >&2; exit 2 ;;
esac
