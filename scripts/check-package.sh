#!/usr/bin/env bash
# Builds the Debian package as a release would, from a fresh clone of the commit checked out (changes
# not committed are not in it), and again from a second clone: the two packages must be the same
# bytes. Checks it with lintian, and installs it into a fresh minimal Debian 12 root where the
# headless commands must work.
#
#   scripts/check-package.sh [BUILD_DIR]      (default build-package; the package is copied there)
#
# Needs root (mmdebstrap builds the root in chroot mode), Debian's package registry and a few
# minutes, so it is not part of scripts/test.sh. Installs lintian and mmdebstrap when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-package}

step() { printf '\n== %s\n' "$*"; }
die() {
    echo "check-package.sh: $*" >&2
    exit 1
}
[ "$(id -u)" -eq 0 ] || die "run as root: mmdebstrap needs it to build the Debian 12 root"

scripts/setup.sh build package
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

rev=$(git rev-parse HEAD)
[ -z "$(git status --porcelain --untracked-files=no)" ] ||
    echo "check-package.sh: changes not committed are not in the package of ${rev:0:12}" >&2
step "Release builds of ${rev:0:12} from two fresh clones"
# With Debian's own compiler, as Debian builds its packages: with clang, Debian 12's C library headers
# fortify no printf-family call. The clones are made a moment apart, so that every file's time differs
# between them: nothing of a checkout's own (file times, its path) may reach the package.
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
for n in 1 2; do
    ((n == 1)) || sleep 1.1
    git clone --quiet --no-hardlinks . "$work/clone$n"
    git -C "$work/clone$n" checkout --quiet --detach "$rev"
done
for n in 1 2; do
    tree=$work/clone$n
    cmake -S "$tree" -B "$tree/build-package" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSORVIK_TESTS=OFF \
        -DCMAKE_CXX_COMPILER=g++ "${launcher[@]}" >"$work/cmake.log" ||
        { cat "$work/cmake.log" >&2; die "cmake failed"; }
    cmake --build "$tree/build-package"
    (cd "$tree/build-package" && cpack -G DEB -B "$work/deb$n" >"$work/cpack.log" 2>&1) ||
        { cat "$work/cpack.log" >&2; die "cpack failed"; }
done
deb=$(ls "$work"/deb1/sorvik_*.deb)
name=${deb##*/}
cmp "$deb" "$work/deb2/$name" || die "the packages built from two clones of one commit differ"
mkdir -p "$build"
cp "$deb" "$build/$name"
echo "$build/$name is the same bytes from both clones: $(sha256sum "$deb" | cut -d' ' -f1)"
dpkg-deb --field "$deb"

step "Hardening of the packaged program"
dpkg-deb -x "$deb" "$work/tree"
exe=$work/tree/usr/bin/sorvik
elf() { readelf -W "$@" "$exe"; } # read whole: grep -q would cut readelf off, and pipefail fail
elf -h >"$work/header.txt"
elf -l >"$work/segments.txt"
elf -d >"$work/dynamic.txt"
elf -S >"$work/sections.txt"
elf --dyn-syms >"$work/symbols.txt"
grep -q 'Type: *DYN' "$work/header.txt" || die "the program is not position-independent"
grep -q GNU_RELRO "$work/segments.txt" || die "the program has no RELRO segment"
grep -Eq 'FLAGS.*\bNOW\b' "$work/dynamic.txt" || die "the program is not linked with -z now"
grep -q '__stack_chk_fail' "$work/symbols.txt" || die "the program has no stack protector"
grep -Eq '__[a-z_]+_chk@' "$work/symbols.txt" || die "the program calls no fortified function"
! grep -Eq '\] \.(comment|note) ' "$work/sections.txt" || die "the program keeps a .comment or .note section"
echo "PIE, RELRO with BIND_NOW, stack protector, fortified calls, no .comment: yes"

step "lintian"
lintian --fail-on error,warning --display-info "$deb" | tee "$work/lintian.txt" || die "lintian reports an error or a warning"
# The hardening and section hints are only informational in lintian, but the package keeps them away.
! grep -E 'hardening-no-|binary-has-unneeded-section|no-upstream-changelog' "$work/lintian.txt" ||
    die "lintian reports missing hardening, an unneeded section or no upstream changelog"
echo "lintian: no error, no warning"

step "A fresh minimal Debian 12 root"
# What runs inside the root: install the package without its recommendations, then the headless
# commands as an ordinary user on the built-in demo network.
cat >"$work/inside.sh" <<'EOF'
set -eu
exec 2>&1
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -q --no-install-recommends "/tmp/$1" >/tmp/apt.log 2>&1 || { cat /tmp/apt.log; exit 1; }
echo "installed $1 without recommendations"
# The recommendations exist in Debian 12 and install.
apt-get install -s -q $(dpkg-query -W -f='${Recommends}' sorvik | tr -d ',') >/dev/null
mkdir -p /tmp/user && chown 65534:65534 /tmp/user
as_user() {
    echo "\$ $*" >&2 # on the terminal even when the output goes to a file
    chroot --userspec=65534:65534 / env -i HOME=/tmp/user PATH=/usr/bin:/bin "$@"
}
as_user sorvik --version
as_user sorvik servers
as_user sorvik profile --set First=Ada --set Last=Lovelace --set Address1="1 Main St" --set City=Springfield \
    --set ZipCode=62701 --set State=IL --set Phone=555-0100 --set Company="Acme Tools, Inc." \
    --set SendTo=it@acme.example --set Country="United States"
status=0
as_user sorvik scan --all >/tmp/scan.txt || status=$?
cat /tmp/scan.txt
# 3: the demo network has a server out of reach on purpose; every other one leaves a data file.
[ "$status" -eq 3 ] || { echo "sorvik scan --all exited $status, not 3"; exit 1; }
count=$(find /tmp/user/.local/share/sorvik/drive_c -name '*.DAT' | wc -l)
echo "data files written: $count"
[ "$count" -gt 0 ]
EOF
suite=bookworm
mirror=http://deb.debian.org/debian
export SORVIK_DEB=$deb SORVIK_INSIDE=$work/inside.sh
mmdebstrap --mode=root --variant=apt --quiet \
    --customize-hook='cp "$SORVIK_DEB" "$SORVIK_INSIDE" "$1/tmp/"' \
    --customize-hook="chroot \"\$1\" sh /tmp/inside.sh $name" \
    "$suite" "$work/root" \
    "deb $mirror $suite main" "deb $mirror $suite-updates main" \
    "deb http://deb.debian.org/debian-security $suite-security main" ||
    die "the package does not install or work in a fresh Debian 12 root"

step "Package checked: $build/$name"
