#!/usr/bin/env bash
# Installs what is needed, builds, and runs the whole test suite: once in a plain build and once
# under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME="$home"
export QT_QPA_PLATFORM=offscreen

run_suite() {
    local dir="$1"
    shift
    bash scripts/build.sh "$dir" -DTESSALY_WERROR=ON "$@"
    (cd "$dir" && ctest --output-on-failure --timeout 300 --parallel "$(nproc)")
}

run_suite build
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
    run_suite build-asan -DTESSALY_SANITIZE=address,undefined -DTESSALY_BUILD_BENCH=OFF

# Bounded libFuzzer run of the serial frame decoder and relay reply handler (clang, its own
# build folder, 30 seconds a target).
cmake -S . -B build-fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DTESSALY_FUZZ=ON -DTESSALY_BUILD_BENCH=OFF -DTESSALY_SANITIZE=address,undefined \
    -DTESSALY_WERROR=ON >/dev/null
cmake --build build-fuzz --parallel "$(nproc)" --target fuzz_frame_decoder fuzz_relay_reply
for target in fuzz_frame_decoder fuzz_relay_reply; do
    mkdir -p "$home/corpus-$target"
    ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
        "build-fuzz/serial/fuzz/$target" -max_total_time=30 -print_final_stats=1 \
        "$home/corpus-$target"
done

# ThreadSanitizer on the audio tests: the library's output, sync and caller threads. Only the
# audio test programs are built; Qt's own (uninstrumented) threads are suppressed by name.
cmake -S . -B build-tsan -G Ninja -DTESSALY_WERROR=ON -DTESSALY_SANITIZE=thread \
    -DTESSALY_BUILD_BENCH=OFF >/dev/null
cmake --build build-tsan --parallel "$(nproc)" --target audio_tests
(cd build-tsan &&
    TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/../tests/audio/tsan.supp" \
        ctest -L audio --output-on-failure --timeout 300)
