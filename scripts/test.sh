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
