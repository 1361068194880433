#!/usr/bin/env bash
# The running rig's processor time and memory on a real X server (Xvfb), read from outside the
# process: the board simulator at the given frame rate, rig_cost_probe connecting both boards
# and running the panel's program cycling, sound through SDL's disk driver (paced as a sound
# card). Measured once without and once with an accessibility bus (AT-SPI), as a desktop with a
# screen reader has it. Everything it makes stays in a temporary folder.
#   bench/shell/rig_cost.sh <rig_cost_probe> <program folder> [seconds, 60] [frames/s, 10]
#                           [probe options, e.g. --without-video]
set -euo pipefail
probe=$(realpath "$1")
folder=$(realpath "$2")
seconds=${3:-60}
rate=${4:-10}
shift $(($# < 4 ? $# : 4))
options=("$@")
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
display=":$(cat "$work/display")"

exec 4< <("$folder/boardsim" --rate "$rate")
pids+=($!)
read -r -t 5 ports <&4

# Processor ticks of a process, and of its threads by name ("name ticks" lines).
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
thread_ticks() {
    for task in /proc/"$1"/task/*; do
        printf '%s %s\n' "$(tr ' ' '_' <"$task/comm")" "$(awk '{print $14 + $15}' "$task/stat")"
    done | sort
}

measure() {
    local label=$1
    shift
    mkdir -p "$work/home-$label"
    env HOME="$work/home-$label" DISPLAY="$display" QT_QPA_PLATFORM=xcb \
        TESSALY_VIRTUAL_PORTS="$ports" SDL_AUDIODRIVER=disk \
        SDL_DISKAUDIOFILE="$work/sound-$label.raw" "$@" >"$work/out-$label" 2>/dev/null &
    local runner=$!
    pids+=($runner)
    local pid=""
    for _ in $(seq 600); do
        pid=$(awk '/^running/ {print $2}' "$work/out-$label")
        [ -n "$pid" ] && break
        sleep 0.1
    done
    if [ -z "$pid" ]; then
        echo "$label: the probe did not start its run" >&2
        return 1
    fi
    sleep 5
    local hz
    hz=$(getconf CLK_TCK)
    local t0 t1 s0 s1
    t0=$(ticks "$pid")
    thread_ticks "$pid" >"$work/threads0"
    s0=$(date +%s.%N)
    sleep "$seconds"
    t1=$(ticks "$pid")
    thread_ticks "$pid" >"$work/threads1"
    s1=$(date +%s.%N)
    local rss threads
    rss=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")
    # Of the resident memory: the process's own (heap, stacks) and the rest (pages of libraries
    # and files, the image shared with the X server).
    local anon
    anon=$(awk '/^Anonymous:/ {print $2}' "/proc/$pid/smaps_rollup")
    threads=$(awk '/^Threads/ {print $2}' "/proc/$pid/status")
    kill -TERM "$pid"
    wait "$runner" 2>/dev/null || true
    awk -v t0="$t0" -v t1="$t1" -v s0="$s0" -v s1="$s1" -v hz="$hz" -v label="$label" \
        -v rss="$rss" -v threads="$threads" -v rate="$rate" -v anon="$anon" \
        'BEGIN { printf "%s, %d frames/s: %.2f %% of a core, %.1f MB resident (%.1f MB anonymous, %.1f MB libraries and shared), %d threads\n",
                 label, rate, 100 * (t1 - t0) / hz / (s1 - s0), rss / 1024, anon / 1024, (rss - anon) / 1024, threads }'
    # Per thread name, the busy ones first.
    join -a 2 -e 0 -o 0,1.2,2.2 <(awk '{a[$1] += $2} END {for (k in a) print k, a[k]}' \
        "$work/threads0" | sort) <(awk '{a[$1] += $2} END {for (k in a) print k, a[k]}' \
        "$work/threads1" | sort) |
        awk -v hz="$hz" -v s="$seconds" '{ d = ($3 - $2) / hz / s * 100; if (d > 0.005)
                 printf "    %-18s %.2f %%\n", $1, d }' | sort -k2 -rn
}

measure "no accessibility bus" env -u DBUS_SESSION_BUS_ADDRESS -u AT_SPI_BUS_ADDRESS \
    QT_ACCESSIBILITY=0 "$probe" "$folder" "${options[@]}"
launcher=/usr/libexec/at-spi-bus-launcher
if command -v dbus-run-session >/dev/null && [ -x "$launcher" ]; then
    measure "accessibility bus" dbus-run-session -- sh -c \
        "$launcher --launch-immediately & sleep 1; QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 exec \"\$0\" \"\$@\"" \
        "$probe" "$folder" "${options[@]}"
else
    echo "accessibility bus: not measured (dbus-run-session or at-spi2-core missing)"
fi
