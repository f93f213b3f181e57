#!/bin/sh
# `sorvik scan --all` with several servers at once, as docs/performance.md gives it: a 24-server
# network made from data/demo-network.json (its 11 servers and 13 copies under new names and
# addresses, faults and unreachable server included) with 2 ms per client call, scanned with
# --jobs 1, 2, 4, 8 and 16; wall time of each, median of 3 (RUNS). Then the standard output and the
# data files of --jobs 8 are compared with those of --jobs 1 (the date line of each header aside);
# the script fails when they differ.
#
#   bench/scan-jobs.sh [BUILD_DIR]
#
# BUILD_DIR (default build-bench) is a Release build with -DSORVIK_BENCH=ON, target sorvik built.
set -eu
build=${1:-build-bench}
sorvik="$build/sorvik"
runs=${RUNS:-3}
source_dir=$(dirname "$0")/..

sandbox=$(mktemp -d "${TMPDIR:-/tmp}/sorvik-jobs-XXXXXX")
trap 'rm -rf "$sandbox"' EXIT
mkdir -p "$sandbox/c" "$sandbox/a" "$sandbox/config" "$sandbox/home" "$sandbox/state"
export SORVIK_DRIVE_C="$sandbox/c" SORVIK_DRIVE_A="$sandbox/a" XDG_CONFIG_HOME="$sandbox/config" \
    XDG_STATE_HOME="$sandbox/state" HOME="$sandbox/home" QT_QPA_PLATFORM=offscreen
network="$sandbox/network.json"

python3 - "$source_dir/data/demo-network.json" "$network" <<'EOF'
import copy, json, sys
demo = json.load(open(sys.argv[1]))
servers = demo["servers"]
originals = list(servers)
for i in range(24 - len(originals)):
    server = originals[i % len(originals)]
    twin = copy.deepcopy(server)
    twin["name"] = "%s-%d" % (server["name"], 2 + i // len(originals))
    if twin.get("address", {}).get("type", "ip") in ("ipx", "ip"):
        twin["address"] = {"type": "ipx", "bytes": "%08X:000000000001:0451" % (0x7000 + i)}
    servers.append(twin)
for server in servers:
    server.pop("delayMs", None)
demo["delayMs"] = 2
json.dump(demo, open(sys.argv[2], "w"), indent=1)
EOF

"$sorvik" profile --set First=Bench --set Last=Mark --set Title=Admin --set "Address1=1 Main Street" \
    --set City=Springfield --set State=IL --set ZipCode=62701 --set "Country=United States" \
    --set Email=bench@example.com --set Phone=555-0100 --set Fax=555-0101 --set "Company=Bench Company" \
    --set SendTo=Orvane --set Reseller=None >/dev/null 2>&1

echo "machine: $(nproc) processors, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "servers: $("$sorvik" --network "$network" servers | wc -l), delayMs 2"
echo "load before: $(uptime)"
echo "jobs  median wall s  (runs)  against --jobs 1"
base=""
for jobs in 1 2 4 8 16; do
    times=""
    for run in $(seq "$runs"); do
        rm -rf "$sandbox/c/Orvane"
        start=$(date +%s.%N)
        status=0
        "$sorvik" --network "$network" scan --all --jobs "$jobs" >"$sandbox/out-$jobs.txt" 2>/dev/null || status=$?
        end=$(date +%s.%N)
        # The description has an unreachable server: 3 is the scan's finished status.
        [ "$status" -eq 3 ] || { echo "scan --jobs $jobs ended with status $status" >&2; exit 1; }
        times="$times $(echo "$end - $start" | bc)"
    done
    rm -rf "$sandbox/data-$jobs"
    cp -r "$sandbox/c/Orvane/Sorvik" "$sandbox/data-$jobs"
    median=$(echo $times | tr ' ' '\n' | sort -n | sed -n "$(( (runs + 1) / 2 ))p")
    [ -n "$base" ] || base=$median
    printf '%4d  %12.2f  (%s )  %.3f\n' "$jobs" "$median" "$times" "$(echo "$median / $base" | bc -l)"
done
echo "load after: $(uptime)"

cmp -s "$sandbox/out-1.txt" "$sandbox/out-8.txt" || { echo "standard output of --jobs 8 differs" >&2; exit 1; }
python3 - "$sandbox/data-1" "$sandbox/data-8" <<'EOF'
import os, re, sys
stamp = re.compile(rb"\r\n\d\d\D\d\d\D\d{4} \d\d\D\d\d\D\d\d [AP]M\r\n")
def files(d):
    return {n: stamp.sub(b"\r\n(date)\r\n", open(os.path.join(d, n), "rb").read())
            for n in os.listdir(d) if n.endswith(".DAT")}
one, eight = files(sys.argv[1]), files(sys.argv[2])
if one != eight:
    sys.exit("data files of --jobs 8 differ: %s" % sorted(n for n in set(one) | set(eight) if one.get(n) != eight.get(n)))
print("--jobs 8 against --jobs 1: standard output equal, %d data files equal (date lines aside)" % len(one))
EOF
