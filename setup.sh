#!/usr/bin/env bash
# Pivora: install what is missing, build, then start the program or run the tests.
#   ./setup.sh run            installs, builds and starts Pivora
#   ./setup.sh test           installs, builds and runs the whole test suite
#   ./setup.sh test PRESET    the same with another preset of CMakePresets.json (ci, asan)
#   ./setup.sh package        installs, builds, tests and makes the Debian package in build/
#   ./setup.sh package PRESET the same with another preset (ci: the package in build-ci/)
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh

command="${1:-run}"
preset="${2:-release}"
case "$command" in
    run | test) pivora_install_packages build ;;
    package) pivora_install_packages build package ;;
    *) echo "usage: $0 run|test|package [PRESET]" >&2; exit 2 ;;
esac

cmake --preset "$preset"
cmake --build --preset "$preset"

case "$command" in
    run)
        # Every preset builds into build-PRESET, but release into build.
        build_dir=build
        [ "$preset" = release ] || build_dir="build-$preset"
        exec "./$build_dir/app/pivora" ;;
    test) ctest --preset "$preset" -j"$(nproc)" ;;
    package)
        ctest --preset "$preset" -j"$(nproc)"
        cpack --preset "$preset" ;;
esac
