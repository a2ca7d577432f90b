#!/bin/sh
# Screenshots of every tab page of the main window and of the about window,
# at the design size and at twice that size, under a virtual X server.
#
#   tools/screenshots.sh [OUTDIR]      (default: build-screenshots/shots)
#
# Builds its own tool in build-screenshots/ (the program's normal build is
# not touched) from tools/screenshots/, with the synthetic edit file, face
# folder and archive of the test support library, and the built-in news page.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${LUDEX_SCREENSHOT_BUILD:-$root/build-screenshots}
out=${1:-$build/shots}

cmake -S "$here/screenshots" -B "$build" -G Ninja >/dev/null
CCACHE_BASEDIR=$root cmake --build "$build" --target ludex_screenshots
mkdir -p "$out"

# Qt WebEngine refuses its sandbox when run as root.
if [ "$(id -u)" = 0 ]; then
    export QTWEBENGINE_DISABLE_SANDBOX=1
fi
export QT_QPA_PLATFORM=xcb
run() {
    xvfb-run -a -s "-screen 0 2600x1800x24" "$@"
}
run "$build/ludex_screenshots" "$out"
QT_SCALE_FACTOR=2 run "$build/ludex_screenshots" "$out" --about
echo "screenshots in $out"
