#!/bin/sh
# Installs the build into a private DESTDIR as a desktop system would get it,
# and makes the Debian package of it:
#   - the installed program answers --version and --help (without a display);
#   - its commands run without a display, and its window module, bash
#     completion and manual page are installed;
#   - the desktop entry and the AppStream metainfo pass their validators;
#   - the icon is there in every hicolor size;
#   - the .deb's dependencies were found by dpkg-shlibdeps.
#
#   install_test.sh BUILD_DIR APP_ID VERSION
set -eu
build=$1 id=$2 version=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

DESTDIR=$work/root cmake --install "$build" --prefix /usr >/dev/null
usr=$work/root/usr

out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$usr/bin/ludex-manager" --version) || fail "--version"
[ "$out" = "ludex-manager $version" ] || fail "--version said: $out"
env -u DISPLAY -u WAYLAND_DISPLAY "$usr/bin/ludex-manager" --help | grep -q -- '--demo' || fail "--help"
mkdir -p "$work/face"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$work" "$usr/bin/ludex-manager" check \
    --face-folder "$work/face" >/dev/null || fail "a command without a display"
status=0
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$usr/bin/ludex-manager" --no-such-option 2>/dev/null || status=$?
[ "$status" = 2 ] || fail "an unknown option ended with $status"
ls "$usr"/lib/*/ludex-manager/ludex_window.so "$usr"/lib/ludex-manager/ludex_window.so 2>/dev/null | grep -q . ||
    fail "window module missing"
[ -f "$usr/share/bash-completion/completions/ludex-manager" ] || fail "bash completion missing"
[ -f "$usr/share/man/man1/ludex-manager.1" ] || fail "manual page missing"

desktop-file-validate "$usr/share/applications/$id.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$usr/share/metainfo/$id.metainfo.xml" || fail "metainfo"
for size in 16 24 32 48 64 128 256; do
    icon=$usr/share/icons/hicolor/${size}x$size/apps/$id.png
    file "$icon" | grep -q "PNG image data, $size x $size" || fail "icon $icon"
done

(cd "$build" && cpack -G DEB -B "$work/deb" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/deb/*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libqt6webenginewidgets6 libfreeimage3 libarchive13 libc6; do
    case "$depends" in *"$lib"*) ;; *) fail "$lib missing from Depends: $depends" ;; esac
done
dpkg-deb -c "$deb" | grep "./usr/bin/ludex-manager" >/dev/null || fail "program missing from the package"
dpkg-deb -c "$deb" | grep "/ludex-manager/ludex_webengine.so" >/dev/null || fail "browser plugin missing from the package"
dpkg-deb -c "$deb" | grep "/ludex-manager/ludex_window.so" >/dev/null || fail "window module missing from the package"
echo "installed and packaged: $(basename "$deb")"
