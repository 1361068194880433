#!/usr/bin/env bash
# Installs what is needed, builds, and runs the whole test suite, each build from its preset in
# CMakePresets.json and in a folder of its own under build/: the plain suite with coverage
# counts, the package from the Release build, the suite under AddressSanitizer and
# UndefinedBehaviorSanitizer, bounded libFuzzer runs, and the audio tests under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --tests

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

# Style first: any difference from clang-format fails the run.
mapfile -t sources < <(find app intro base help panel program run serial audio status tools tests bench \
    \( -name '*.cpp' -o -name '*.h' \) -type f | sort)
if ! clang-format --dry-run --Werror "${sources[@]}"; then
    echo "FAILED: clang-format differs on the files above (clang-format -i fixes them)" >&2
    exit 1
fi

# The plain suite also counts lines and branches, for the coverage report after its tests.
find build/coverage -name '*.gcda' -delete 2>/dev/null || true
cmake --workflow --preset coverage
coverage_report() {
    local objects="build/coverage" html="build/coverage-report"
    local layers=(app intro base help panel program run serial audio status)
    local filters=()
    for folder in "${layers[@]}"; do
        filters+=(--filter "$folder/")
    done
    mkdir -p "$html"
    gcovr --root . --object-directory "$objects" "${filters[@]}" --exclude '.*/fuzz/.*' \
        --html-details "$html/index.html" --print-summary >/dev/null
    echo "Coverage by folder (lines, branches):"
    for folder in "${layers[@]}"; do
        printf '  %-8s ' "$folder/"
        # gcovr unlinks its output path before writing it: never name a system file here.
        gcovr --root . --object-directory "$objects" --filter "$folder/" --exclude '.*/fuzz/.*' \
            --print-summary -o "$home/coverage-$folder.txt" | tr '\n' ' '
        echo
    done
    echo "HTML report: $html/index.html"
}
coverage_report

# The program as it is run and packaged: cmake --install and the Debian package, checked.
cmake --workflow --preset release
bash scripts/check-package.sh build/release

cmake --workflow --preset asan
# Each parser of outside input for 20 s from its committed seeds (ctest label "fuzz").
cmake --workflow --preset fuzz
# The library's output, sync and caller threads; Qt's own (uninstrumented) threads are
# suppressed by name only.
cmake --workflow --preset tsan
