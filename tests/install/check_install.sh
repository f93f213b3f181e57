#!/usr/bin/env bash
# check_install.sh BUILD_DIR APP_ID: what a user's system gets from `cmake --install` and the package.
set -euo pipefail
build=$(cd "$1" && pwd)
id=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
need() {
    command -v "$1" >/dev/null || { echo "FAIL: $1 is missing (scripts/setup.sh test installs it)" >&2; exit 1; }
}
need desktop-file-validate
need appstreamcli
need man
need python3

stage=$work/stage
DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null
usr=$stage/usr
share=$usr/share

for f in bin/sorvik share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
         share/icons/hicolor/scalable/apps/$id.svg share/man/man1/sorvik.1.gz \
         share/bash-completion/completions/sorvik share/doc/sorvik/README.md share/doc/sorvik/copyright \
         share/doc/sorvik/changelog.gz share/doc/sorvik/changelog.Debian.gz; do
    [ -f "$usr/$f" ] || fail "$f is not installed"
done
[ -x "$usr/bin/sorvik" ] || fail "bin/sorvik is not executable"

desktop=$share/applications/$id.desktop
desktop-file-validate "$desktop" || fail "desktop entry does not validate"
appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml" >"$work/appstream.log" 2>&1 ||
    { cat "$work/appstream.log" >&2; fail "metainfo does not validate"; }
grep -qx "Exec=sorvik" "$desktop" || fail "desktop entry does not start sorvik"
grep -qx "Icon=$id" "$desktop" || fail "desktop entry does not name the icon $id"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$share/metainfo/$id.metainfo.xml" ||
    fail "metainfo does not launch $id.desktop"

# Every size present, and each PNG really is that size (width and height from the IHDR chunk).
for size in 16 22 24 32 48 64 128 256; do
    png=$share/icons/hicolor/${size}x${size}/apps/$id.png
    if [ ! -f "$png" ]; then
        fail "icon $size is not installed"
        continue
    fi
    got=$(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); assert d[:8]==b"\x89PNG\r\n\x1a\n"; print("%dx%d" % struct.unpack(">II", d[16:24]))' "$png")
    [ "$got" = "${size}x${size}" ] || fail "icon $size is $got"
done

# Debian's copyright file is machine-readable; compressed files carry no name and no date (gzip -n),
# so that they are the same bytes on every build.
head -1 "$share/doc/sorvik/copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "copyright file is not in the machine-readable format"
for gz in man/man1/sorvik.1.gz doc/sorvik/changelog.gz doc/sorvik/changelog.Debian.gz; do
    [ -f "$share/$gz" ] || continue
    python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(10); sys.exit(not (d[:3]==b"\x1f\x8b\x08" and d[3]&8==0 and struct.unpack("<I",d[4:8])[0]==0))' "$share/$gz" ||
        fail "$gz is not compressed with gzip -n"
done

# The manual page renders without warnings and documents every command that --help lists.
page=$share/man/man1/sorvik.1.gz
MANWIDTH=80 man --warnings -l "$page" >"$work/man.txt" 2>"$work/man.err" || fail "man -l failed"
[ ! -s "$work/man.err" ] || { cat "$work/man.err" >&2; fail "man -l warns"; }
for heading in NAME SYNOPSIS DESCRIPTION OPTIONS ENVIRONMENT FILES "EXIT STATUS"; do
    grep -q "^$heading" "$work/man.txt" || fail "manual page has no $heading"
done
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$usr/bin/sorvik" --help >"$work/help.txt"
commands=$(sed -n '/^Commands/,/^$/s/^  \([a-z][a-z]*\).*/\1/p' "$work/help.txt")
[ -n "$commands" ] || fail "no commands found in sorvik --help"
# Each command's section carries all of its help: the exit statuses, the paragraphs after the options.
[ "$(grep -c '^       Exit status:' "$work/man.txt")" = "$(wc -w <<<"$commands")" ] ||
    fail "manual page lacks a command's exit statuses"
grep -Eq "refused +before +anything +is" "$work/man.txt" || fail "manual page lacks send's paragraph after its options"
for c in $commands; do
    grep -q "^       $c\b" "$work/man.txt" || fail "manual page does not list the command $c"
    grep -qw "$c" "$share/bash-completion/completions/sorvik" || fail "bash completion does not know $c"
    grep -q "<li>Headless commands.*\b$c\b" "$share/metainfo/$id.metainfo.xml" || fail "metainfo does not name the command $c"
done
[ "$(env -u DISPLAY "$usr/bin/sorvik" --version)" = "sorvik $(sed -n 's/^sorvik \([0-9.]*\) .*/\1/p' "$work/man.txt" | tail -1)" ] ||
    fail "sorvik --version and the manual page disagree"
bash -n "$share/bash-completion/completions/sorvik" || fail "bash completion does not parse"

if command -v dpkg-deb >/dev/null && command -v dpkg-shlibdeps >/dev/null; then
    (cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >"$work/cpack.log" 2>&1) ||
        { cat "$work/cpack.log" >&2; fail "cpack -G DEB failed"; }
    deb=$(ls "$work"/deb/sorvik_*.deb 2>/dev/null | head -1 || true)
    if [ -z "$deb" ]; then
        fail "no sorvik_*.deb was made"
    else
        depends=$(dpkg-deb --field "$deb" Depends)
        for p in libc6 libqt6core6 libqt6gui6 libqt6widgets6 zlib1g qt6-qpa-plugins fonts-liberation; do
            [[ ", $depends," == *", $p"[\ ,]* ]] || fail "package does not depend on $p: $depends"
        done
        dpkg-deb --contents "$deb" >"$work/contents.txt"
        for f in usr/bin/sorvik usr/share/applications/$id.desktop usr/share/man/man1/sorvik.1.gz \
                 usr/share/icons/hicolor/48x48/apps/$id.png usr/share/doc/sorvik/copyright \
                 usr/share/doc/sorvik/changelog.Debian.gz; do
            grep -q " \./$f\$" "$work/contents.txt" || fail "package does not hold /$f"
        done
        # The newest Debian changelog entry is this package's version.
        version=$(dpkg-deb --field "$deb" Version)
        head -1 <(gzip -dc "$share/doc/sorvik/changelog.Debian.gz") | grep -q "^sorvik ($version) " ||
            fail "changelog.Debian.gz does not start with version $version"
        # A second package of the same build is the same bytes: file dates are the build's date.
        (cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb2" >"$work/cpack.log" 2>&1) ||
            { cat "$work/cpack.log" >&2; fail "second cpack -G DEB failed"; }
        cmp -s "$deb" "$work/deb2/${deb##*/}" || fail "two packages of one build differ"
    fi
else
    echo "dpkg-deb not available: package not built"
fi

if ((failures)); then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "installed tree checked"
