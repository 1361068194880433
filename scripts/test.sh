#!/usr/bin/env bash
# Installs what is needed, builds, and runs the whole test suite: once in a plain build and once
# under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

home=$(mktemp -d)
# A tool that replaced /dev/null with a plain file would break the machine for everyone after
# this run: fail loudly instead of passing.
finish() {
    local rc=$?
    rm -rf "$home"
    if [ ! -c /dev/null ]; then
        echo "FAILED: /dev/null is no longer a character device" >&2
        rc=1
    fi
    exit "$rc"
}
trap finish EXIT
export HOME="$home"
export QT_QPA_PLATFORM=offscreen

run_suite() {
    local dir="$1"
    shift
    bash scripts/build.sh "$dir" -DTESSALY_WERROR=ON "$@"
    (cd "$dir" && ctest --output-on-failure --timeout 300 --parallel "$(nproc)")
}

# The plain build also counts lines and branches, for the coverage report after its tests.
find build -name '*.gcda' -delete 2>/dev/null || true
run_suite build -DTESSALY_COVERAGE=ON
coverage_report() {
    local html="build/coverage"
    mkdir -p "$html"
    gcovr --root . --object-directory build --filter 'app/' --filter 'base/' --filter 'help/' --filter 'panel/' --filter 'program/' \
        --filter 'run/' --filter 'serial/' --filter 'audio/' --exclude '.*/fuzz/.*' \
        --html-details "$html/index.html" --print-summary >/dev/null
    echo "Coverage by folder (lines, branches):"
    for folder in app base help panel program run serial audio; do
        printf '  %-8s ' "$folder/"
        # gcovr unlinks its output path before writing it: never name a system file here.
        gcovr --root . --object-directory build --filter "$folder/" --exclude '.*/fuzz/.*' \
            --print-summary -o "$home/coverage-$folder.txt" | tr '\n' ' '
        echo
    done
    echo "HTML report: $html/index.html"
}
coverage_report
# Installed like other desktop programs: cmake --install and the Debian package, checked.
bash scripts/check-package.sh build
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
    run_suite build-asan -DTESSALY_SANITIZE=address,undefined -DTESSALY_BUILD_BENCH=OFF

# Bounded libFuzzer runs of every parser of outside input (clang, its own build folder, 20
# seconds a target). Each starts from the committed seeds; binary seeds are kept as hex text.
cmake -S . -B build-fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DTESSALY_FUZZ=ON -DTESSALY_BUILD_BENCH=OFF -DTESSALY_SANITIZE=address,undefined \
    -DTESSALY_WERROR=ON >/dev/null
fuzz_targets=(
    "serial/fuzz/fuzz_frame_decoder:serial/fuzz/corpus/frame_decoder"
    "serial/fuzz/fuzz_relay_reply:serial/fuzz/corpus/relay_reply"
    "serial/fuzz/fuzz_port_list:serial/fuzz/corpus/port_list"
    "program/fuzz/fuzz_program_file:program/fuzz/corpus/program_file"
    "help/fuzz/fuzz_chm_file:help/fuzz/corpus"
)
cmake --build build-fuzz --parallel "$(nproc)" --target fuzz_frame_decoder fuzz_relay_reply \
    fuzz_port_list fuzz_program_file fuzz_chm_file tessaly_help_fixture
for entry in "${fuzz_targets[@]}"; do
    target="${entry%%:*}"
    seeds="${entry#*:}"
    corpus="$home/corpus-$(basename "$target")"
    mkdir -p "$corpus"
    for seed in "$seeds"/*; do
        if [[ "$seed" == *.hex ]]; then
            printf '%b' "$(tr -d ' \n' <"$seed" | sed 's/\(..\)/\\x\1/g')" \
                >"$corpus/$(basename "$seed" .hex)"
        else
            cp "$seed" "$corpus/"
        fi
    done
    if [ "$target" = help/fuzz/fuzz_chm_file ]; then
        # Whole help files are binary: the test fixtures, compiled by the build from HTML.
        cp build-fuzz/tests/help/fixture/fixture.chm \
            build-fuzz/tests/help/fixture/second/second.chm "$corpus/"
    fi
    ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
        "build-fuzz/$target" -max_total_time=20 -print_final_stats=1 "$corpus"
done

# ThreadSanitizer on the audio tests: the library's output, sync and caller threads. Only the
# audio test programs are built; Qt's own (uninstrumented) threads are suppressed by name.
cmake -S . -B build-tsan -G Ninja -DTESSALY_WERROR=ON -DTESSALY_SANITIZE=thread \
    -DTESSALY_BUILD_BENCH=OFF >/dev/null
cmake --build build-tsan --parallel "$(nproc)" --target audio_tests
(cd build-tsan &&
    TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/../tests/audio/tsan.supp" \
        ctest -L audio --output-on-failure --timeout 300)
