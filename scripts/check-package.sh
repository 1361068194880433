#!/usr/bin/env bash
# Installs a built tree (the Release preset's) into a scratch prefix and builds its Debian
# package, then checks both:
# the program folder complete, the launcher, the desktop entry, the package's fields and files.
#   check-package.sh <build-dir>
set -euo pipefail
cd "$(dirname "$0")/.."
build="$1"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() {
    echo "package check: $*" >&2
    exit 1
}

# What the program folder must hold: the installed-file list that the program checks at start.
mapfile -t required < <(grep -v '^#' assets/installed-files.txt | cut -f2 | grep -v '^$')
[ "${#required[@]}" -gt 100 ] || fail "assets/installed-files.txt does not read"
# Beside them, not checked at start (a missing helper leaves the picture where videos play).
required+=(tessaly-video)

# cmake --install: the same program folder, a launcher on the PATH, the desktop entry and icon.
prefix="$scratch/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
diff -r "$build/tessaly" "$prefix/lib/tessaly" >/dev/null || fail "installed folder differs from the build's"
for f in "${required[@]}"; do
    [ -s "$prefix/lib/tessaly/$f" ] || fail "installed folder lacks $f"
done
[ "$(readlink -f "$prefix/bin/tessaly")" = "$(readlink -f "$prefix/lib/tessaly/tessaly")" ] ||
    fail "bin/tessaly does not lead to the program"
desktop="$prefix/share/applications/tessaly.desktop"
desktop-file-validate "$desktop" || fail "desktop entry is not valid"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -s "$prefix/share/icons/hicolor/256x256/apps/$icon.png" ] || fail "no icon $icon"
[ "$(sed -n 's/^Exec=//p' "$desktop")" = tessaly ] || fail "desktop entry does not start tessaly"
echo "install: $(find "$prefix" -type f | wc -l) files, launcher, desktop entry and icon in place"

# The Debian package.
(cd "$build" && cpack -G DEB -B "$scratch/deb" >/dev/null)
deb=$(ls "$scratch"/deb/tessaly_*.deb)
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = tessaly ] || fail "Package field"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture field"
[ -n "$(field Version)" ] || fail "no Version"
depends=$(field Depends)
for pkg in libqt6widgets6 libqt6multimedia6 libqt6serialport6 libqt6network6 libchm1 \
    libmpg123-0 libopenmpt0 libsdl2-2.0-0 gstreamer1.0-plugins-good gstreamer1.0-libav; do
    grep -q "\b$pkg\b" <<<"$depends" || fail "Depends lacks $pkg: $depends"
done
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in ./usr/bin/tessaly ./usr/share/applications/tessaly.desktop \
    ./usr/share/icons/hicolor/256x256/apps/tessaly.png ./usr/share/doc/tessaly/copyright; do
    grep -qxF "$f" <<<"$contents" || fail "package lacks $f"
done
for f in "${required[@]}"; do
    grep -qxF "./usr/lib/tessaly/$f" <<<"$contents" || fail "package lacks /usr/lib/tessaly/$f"
done
# Every declared dependency must be installable from the archive (a simulation changes nothing).
if apt-get install -s "$deb" >"$scratch/apt.log" 2>&1; then
    echo "apt: the package's dependencies resolve ($(grep -c '^Inst ' "$scratch/apt.log") to install)"
else
    cat "$scratch/apt.log" >&2
    fail "apt cannot install the package"
fi
echo "package: $(basename "$deb"), $(du -h "$deb" | cut -f1), Depends: $depends"
