#!/bin/sh
# Loading a large network description: "sorvik servers" on 2,000 servers made from the demo network
# (its eleven servers over and over, each copy under a name of its own: about 37 MB of JSON; without
# the demo's 1 ms per client call, which would add 2,000 sleeps to listing the servers) against
# Python reading the same file with its json module. The two run in turn, sorvik first, RUNS pairs
# (default 5) after one warm-up pair; printed are each side's median wall and CPU (user + system)
# seconds and the median of the pairs' wall and CPU ratios. The load of the machine is printed before
# and after: on a shared machine the CPU ratio is the figure to trust.
#
#   bench/network-load.sh [BUILD_DIR]
#
# BUILD_DIR (default build-bench) is a Release build with target sorvik built.
set -eu
build=${1:-build-bench}
sorvik="$build/sorvik"
runs=${RUNS:-5}
here=$(dirname "$0")

sandbox=$(mktemp -d "${TMPDIR:-/tmp}/sorvik-load-XXXXXX")
trap 'rm -rf "$sandbox"' EXIT
mkdir -p "$sandbox/c" "$sandbox/a" "$sandbox/config" "$sandbox/state" "$sandbox/home"
export SORVIK_DRIVE_C="$sandbox/c" SORVIK_DRIVE_A="$sandbox/a" XDG_CONFIG_HOME="$sandbox/config" \
    XDG_STATE_HOME="$sandbox/state" HOME="$sandbox/home"
network="$sandbox/network-2000.json"

python3 - "$here/../data/demo-network.json" "$network" <<'EOF'
import copy, json, sys
description = json.load(open(sys.argv[1]))
servers = description["servers"]
copies = []
for i in range(2000):
    server = copy.deepcopy(servers[i % len(servers)])
    if i >= len(servers):  # the first copies keep their names, which the users and the workstation name
        server["name"] = "%s-%04d" % (server["name"][:40], i)
    copies.append(server)
description["servers"] = copies
description["delayMs"] = 0
with open(sys.argv[2], "w") as out:
    json.dump(description, out, ensure_ascii=False)
EOF
[ "$("$sorvik" --network "$network" servers | wc -l)" -eq 2000 ]

# One timed run: "wall cpu" in seconds.
timed() {
    /usr/bin/time -f "%e %U %S" -o "$sandbox/time" "$@" >/dev/null
    awk '{ printf "%s %.2f\n", $1, $2 + $3 }' "$sandbox/time"
}

# The interpreter itself, not a wrapper script that chooses it.
python=$(python3 -c 'import sys; print(sys.executable)')

echo "machine: $(nproc) processors, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "description: 2000 servers, $(stat -c %s "$network") bytes; $("$python" --version)"
echo "load before: $(uptime)"
: >"$sandbox/pairs"
for i in $(seq 0 "$runs"); do
    a=$(timed "$sorvik" --network "$network" servers)
    b=$(timed "$python" -c 'import json,sys; json.load(open(sys.argv[1]))' "$network")
    [ "$i" -gt 0 ] && echo "$a $b" >>"$sandbox/pairs"
done
echo "load after: $(uptime)"
python3 - "$sandbox/pairs" <<'EOF'
import statistics, sys
pairs = [[float(x) for x in line.split()] for line in open(sys.argv[1])]
median = lambda column: statistics.median(p[column] for p in pairs)
ratio = lambda a, b: statistics.median(p[a] / p[b] for p in pairs if p[b] > 0)
print("sorvik servers: wall %.2f s, cpu %.2f s (medians of %d)" % (median(0), median(1), len(pairs)))
print("python json.load: wall %.2f s, cpu %.2f s" % (median(2), median(3)))
print("ratio sorvik / python: wall %.2f, cpu %.2f (medians of the pairs)" % (ratio(0, 2), ratio(1, 3)))
EOF
