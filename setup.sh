#!/usr/bin/env bash
# Set up, build and run Dayscrib on Debian 12 (as root, or with sudo rights).
#
#   ./setup.sh run     install what is missing, build, start the diary
#   ./setup.sh test    install what is missing, check the C++ files' format, build
#                      with warnings as errors, run the whole test suite (then
#                      the sanitizer build's suite and a short fuzzing run)
#   ./setup.sh package install what is missing, build with Debian's flags and
#                      make the Debian package ./dayscrib_<version>_<arch>.deb
#
# Knobs for the test command: DAYSCRIB_SKIP_SANITIZE=1, DAYSCRIB_SKIP_FUZZ=1,
# DAYSCRIB_FUZZ_SECONDS (default 60 per fuzzer).
set -euo pipefail
cd "$(dirname "$0")"
ROOT=$(pwd)
JOBS=${JOBS:-$(nproc)}

BUILD_PACKAGES=(build-essential cmake ninja-build pkg-config qt6-base-dev libgl-dev libjpeg-dev
                libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev fonts-dejavu-core
                libqt6svg6 libssl-dev libdeflate-dev libhunspell-dev)
TEST_PACKAGES=(zip unzip p7zip-full libarchive-tools python3 libreoffice-writer-nogui unrtf clang
               libclang-rt-14-dev xauth poppler-utils desktop-file-utils
               dpkg-dev lintian appstream groff-base man-db libdeflate-tools hunspell-en-us
               xvfb dbus-daemon at-spi2-core python3-pyatspi)
# The format check of the test command.
CHECK_PACKAGES=(clang-format git)
# Making the Debian package: dpkg-shlibdeps and dpkg-buildflags.
PACKAGE_PACKAGES=(dpkg-dev)

install_missing() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$p")
    done
    if ((${#missing[@]})); then
        local sudo=""
        [ "$(id -u)" -eq 0 ] || sudo=sudo
        $sudo apt-get update
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
    fi
}

configure_and_build() { # build-dir, extra cmake arguments...
    local dir=$1
    shift
    cmake -S "$ROOT" -B "$dir" -G Ninja "$@"
    cmake --build "$dir" -j "$JOBS"
}

# Every tracked C++ file as the repository's .clang-format lays it out (all
# of them, not only those a change touched: a fresh clone has no base to
# compare with). Lists the files that differ and fails.
check_format() {
    local unformatted
    unformatted=$(git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format --dry-run 2>&1 |
        sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: .*code should be clang-formatted.*/\1/p' | sort -u)
    if [ -n "$unformatted" ]; then
        echo "Not formatted by clang-format (run clang-format -i on them):"
        echo "$unformatted"
        return 1
    fi
}

case "${1:-}" in
run)
    install_missing "${BUILD_PACKAGES[@]}"
    configure_and_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_COMPILE_WARNING_AS_ERROR=OFF
    exec ./build/dayscrib
    ;;
test)
    install_missing "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}" "${CHECK_PACKAGES[@]}"
    export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
    check_format
    # Warnings fail the builds made here (users' own builds only show them).
    configure_and_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
    (cd build && ctest --output-on-failure -j "$JOBS")
    if [ "${DAYSCRIB_SKIP_SANITIZE:-0}" != 1 ]; then
        configure_and_build build-sanitize -DCMAKE_BUILD_TYPE=Debug -DDAYSCRIB_SANITIZE=ON \
            -DDAYSCRIB_BENCH=OFF -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
        (cd build-sanitize && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
            ctest --output-on-failure -j "$JOBS")
    fi
    if [ "${DAYSCRIB_SKIP_FUZZ:-0}" != 1 ]; then
        CC=clang CXX=clang++ cmake -S "$ROOT" -B build-fuzz -G Ninja \
            -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDAYSCRIB_FUZZ=ON -DDAYSCRIB_TESTS=OFF \
            -DDAYSCRIB_BENCH=OFF -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
        cmake --build build-fuzz -j "$JOBS" --target fuzzers
        for f in build-fuzz/fuzz/fuzz_*; do
            [ -f "$f" ] && [ -x "$f" ] || continue
            name=$(basename "$f")
            echo "== fuzzing $name for ${DAYSCRIB_FUZZ_SECONDS:-60} s"
            mkdir -p "build-fuzz/corpus/$name"
            seeds=()
            [ -d "fuzz/seeds/$name" ] && seeds+=("fuzz/seeds/$name")
            case "$name" in
            *rtf*) seeds+=(tests/data/rtf) ;;
            fuzz_extract | fuzz_zip_directory) seeds+=(tests/data/zip) ;;
            esac
            "$f" -max_total_time="${DAYSCRIB_FUZZ_SECONDS:-60}" -rss_limit_mb=2048 \
                -timeout=10 -print_final_stats=1 "build-fuzz/corpus/$name" "${seeds[@]}"
        done
    fi
    echo "All tests passed."
    ;;
package)
    install_missing "${BUILD_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"
    # The compiler and linker flags Debian builds its own packages with,
    # hardening included.
    eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
    export CFLAGS="$CFLAGS $CPPFLAGS" CXXFLAGS="$CXXFLAGS $CPPFLAGS" # CMake reads no CPPFLAGS
    rm -rf build-package
    configure_and_build build-package -DCMAKE_BUILD_TYPE=Release -DDAYSCRIB_TESTS=OFF \
        -DDAYSCRIB_BENCH=OFF
    (cd build-package && cpack -G DEB)
    cp build-package/dayscrib_*.deb .
    ls -l dayscrib_*.deb
    echo "Install it with: apt install ./$(cd build-package && ls dayscrib_*.deb)"
    ;;
*)
    sed -n '2,12p' "$0"
    exit 2
    ;;
esac
