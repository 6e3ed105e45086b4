# The Debian packages that building, testing, fuzzing and packaging Pivora need, in one
# place. Sourced by setup.sh and .ci/run:
#   pivora_install_packages GROUP...
# installs with apt-get (through sudo when not root) what is missing of the named groups.

# Build and test: compiler, CMake, Python (for the test that checks the rooms' includes), Qt
# (with LinguistTools and lrelease for the translation), GoogleTest, Google Benchmark, and the
# fonts the window draws with (Arial's metric twin, a CJK font for the Japanese messages and
# guide).
pivora_packages_build=(cmake ninja-build g++ pkg-config python3 qt6-base-dev qt6-tools-dev qt6-l10n-tools
                       libgl-dev libgtest-dev libbenchmark-dev fonts-liberation
                       fonts-ipafont-gothic)
# The libFuzzer targets: clang and its fuzzer runtime.
pivora_packages_fuzz=(clang libclang-rt-14-dev)
# Building the Debian package (cpack finds the library dependencies with dpkg-shlibdeps).
pivora_packages_package=(dpkg-dev file)
# Checking the layout of the sources, the functions nothing calls (cppcheck), the package, the
# desktop entry and the metainfo.
pivora_packages_check=(clang-format cppcheck lintian desktop-file-utils appstream)

pivora_install_packages() {
    local group list p missing=()
    for group in "$@"; do
        list="pivora_packages_${group}[@]"
        for p in "${!list}"; do
            dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
                missing+=("$p")
        done
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -q
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
        "${missing[@]}"
}
