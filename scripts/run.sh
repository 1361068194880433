#!/usr/bin/env bash
# Installs what is needed, builds, and starts the program with the simulated boards attached.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# The Release build of its own folder: never the instrumented test builds.
cmake --workflow --preset release
program_dir="$PWD/build/release/tessaly"

sim_pid=""
app_pid=""
# Whatever ends this script also ends the program and then the simulator: the program switches
# the relays off on its way out, so the boards must still be there while it does.
cleanup() {
    if [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null; then
        for _ in $(seq 50); do
            kill -0 "$app_pid" 2>/dev/null || break
            sleep 0.1
        done
    fi
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
    fi
}
trap cleanup EXIT
trap "exit 130" INT TERM

# The board simulator stands in for the relay board and the measuring board.
if [ -x "$program_dir/boardsim" ] && [ -z "${TESSALY_VIRTUAL_PORTS:-}" ]; then
    exec 3< <("$program_dir/boardsim")
    sim_pid=$!
    read -r -t 5 ports <&3 || ports=""
    if [ -n "$ports" ]; then
        export TESSALY_VIRTUAL_PORTS="$ports"
        echo "Simulated boards: $ports"
    fi
fi

# Without a sound card SDL finds no output and the program could not start its audio library:
# send the sound to SDL's disk driver instead (raw 16-bit stereo at 44100 Hz, in real time).
if [ -z "${SDL_AUDIODRIVER:-}" ] && ! compgen -G "/dev/snd/pcmC*D*p" >/dev/null; then
    export SDL_AUDIODRIVER=disk
    export SDL_DISKAUDIOFILE="${TMPDIR:-/tmp}/tessaly-sound.raw"
    echo "No sound card found: the sound goes to $SDL_DISKAUDIOFILE (raw 16-bit stereo, 44100 Hz)"
fi

"$program_dir/tessaly" "$@" &
app_pid=$!
wait "$app_pid"
