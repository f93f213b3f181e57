#!/bin/sh
# The session archive against "zip -5 -q -j", as docs/performance.md gives it: 65 MB of report-like
# text cut into 10, 100, 400 and 800 files, then the demo network's first server's data file copied
# under 500, 1000, 2000 and 4000 names. Each timed run copies the files into place itself (on both
# sides) after a sync; pairs alternate, medians of 5. The load of the machine is printed before and
# after each part: on a shared machine the CPU ratios are the figures to trust.
# A third part gives the figure of a many-server scan's output: 2,000 copies of that data file, copied
# into place and synced before each timed run (outside the clock), "zip -5 -m -q -j" (which deletes
# what it packed) against the archive's pack, read-back and delete; the two alternate which goes first.
# With SYNCED_ONLY=1 only that part runs (COUNTS=N,N,... for other numbers of files).
#
#   bench/archive-sweep.sh [BUILD_DIR] [-- bench_archive options, e.g. --sorvik OTHER_BUILD/sorvik]
#
# BUILD_DIR (default build-bench) is a Release build with -DSORVIK_BENCH=ON, targets sorvik and
# bench_archive built.
set -eu
build=${1:-build-bench}
[ $# -gt 0 ] && shift
[ "${1:-}" = "--" ] && shift
bench="$build/bench/bench_archive"
sorvik="$build/sorvik"
runs=${RUNS:-5}

sandbox=$(mktemp -d "${TMPDIR:-/tmp}/sorvik-sweep-XXXXXX")
trap 'rm -rf "$sandbox"' EXIT
mkdir -p "$sandbox/c" "$sandbox/a" "$sandbox/config" "$sandbox/home"
export SORVIK_DRIVE_C="$sandbox/c" SORVIK_DRIVE_A="$sandbox/a" XDG_CONFIG_HOME="$sandbox/config" \
    HOME="$sandbox/home" QT_QPA_PLATFORM=offscreen

# The first server's data file, from a scan of the demo network with a complete profile.
"$sorvik" profile --set First=Bench --set Last=Mark --set Title=Admin --set "Address1=1 Main Street" \
    --set City=Springfield --set State=IL --set ZipCode=62701 --set "Country=United States" \
    --set Email=bench@example.com --set Phone=555-0100 --set Fax=555-0101 --set "Company=Bench Company" \
    --set SendTo=Orvane --set Reseller=None >/dev/null
first=$("$sorvik" servers | head -n 1)
"$sorvik" scan "$first" >/dev/null 2>&1
data=$(ls "$sandbox/c/Orvane/Sorvik/"*.DAT | head -n 1)
cp -p "$data" "$sandbox/first-server.DAT"

echo "machine: $(nproc) processors, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "zlib: $(ls /usr/lib/*/libz.so.1.* 2>/dev/null | head -n 1 | sed 's/.*libz.so.//'); $(zip -v | sed -n 2p | sed 's/^ *//')"
echo "first server: $first, $(stat -c %s "$sandbox/first-server.DAT") bytes"
if [ "${SYNCED_ONLY:-0}" != 1 ]; then
    echo "load before the sweep: $(uptime)"
    "$bench" --sweep --total-mb 65 --runs "$runs" --copy-in "$@"
    echo "load after the sweep: $(uptime)"
    "$bench" --copies-of "$sandbox/first-server.DAT" --counts 500,1000,2000,4000 --runs "$runs" --copy-in "$@"
    echo "load after the many small files: $(uptime)"
fi
echo "synced first, against zip -m; load before: $(uptime)"
"$bench" --copies-of "$sandbox/first-server.DAT" --counts "${COUNTS:-2000}" --runs "$runs" --synced "$@"
echo "load after: $(uptime)"
