#!/usr/bin/env bash
# Installs what Sorvik needs on Debian 12, through apt-get, when it is missing.
#
#   scripts/setup.sh [build] [run] [test] [docs] [package]
#
#   build    compiler, CMake, Ninja, Qt, xcb and zlib headers, help2man for the manual page, and what
#            `cpack -G DEB` calls: dpkg-shlibdeps (dpkg-dev) and file
#   run      what the window needs at run time: Qt's platform plugins, the fonts, xdg-open
#   test     the sanitizer build, the test libraries and the tools the tests call
#   docs     what scripts/screenshots.sh and scripts/render-icons.sh need
#   package  what scripts/check-package.sh adds: lintian and mmdebstrap
#
# Without an argument: build, run and test.
set -euo pipefail

build=(build-essential cmake ninja-build qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev libxcb1-dev zlib1g-dev pkgconf help2man dpkg-dev file)
# fontconfig maps the window's Arial to the metric-compatible Liberation Sans.
run=(libqt6widgets6 libqt6svg6 qt6-qpa-plugins fonts-liberation xdg-utils)
test=(
    clang libclang-rt-14-dev libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth openbox zip unzip python3 locales fonts-dejavu-core
    desktop-file-utils appstream man-db dpkg-dev dbus at-spi2-core python3-pyatspi
)
docs=(xvfb xauth openbox xdotool imagemagick librsvg2-bin)
package=(lintian mmdebstrap)

groups=("$@")
((${#groups[@]})) || groups=(build run test)

packages=()
for g in "${groups[@]}"; do
    case $g in
        build) packages+=("${build[@]}") ;;
        run) packages+=("${run[@]}") ;;
        test) packages+=("${test[@]}") ;;
        docs) packages+=("${docs[@]}") ;;
        package) packages+=("${package[@]}") ;;
        *)
            echo "setup.sh: unknown group $g (build, run, test, docs, package)" >&2
            exit 2
            ;;
    esac
done

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
    sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        sudo="sudo"
    fi
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
