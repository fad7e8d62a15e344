#!/usr/bin/env bash
# Builds the Debian package in BUILD_DIR and checks that it holds what an
# installed program needs and that it unpacks into a scratch root.
set -euo pipefail
build=$1
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/vostrel_*_*.deb | head -n1)
echo "package: $deb"
info=$(dpkg-deb --info "$deb")
contents=$(dpkg-deb --contents "$deb")
fail() { echo "package check failed: $*" >&2; exit 1; }
grep -q '^ Package: vostrel$' <<<"$info" || fail "no package name"
grep -q '^ Depends: .*libqt6widgets6' <<<"$info" || fail "no runtime dependency on Qt"
grep -q '^ Depends: .*libevdev2' <<<"$info" || fail "no runtime dependency on libevdev"
grep -q '^ Depends: .*fonts-liberation' <<<"$info" || fail "no dependency on the layouts' font"
for path in ./usr/bin/vostrel ./usr/share/applications/vostrel.desktop \
    ./usr/share/icons/hicolor/48x48/apps/vostrel.png \
    ./usr/share/icons/hicolor/scalable/apps/vostrel.svg \
    ./usr/share/metainfo/io.github.vostrel.Vostrel.metainfo.xml; do
    grep -q " $path\$" <<<"$contents" || fail "missing $path"
done
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
[ -x "$root/usr/bin/vostrel" ] || fail "the program does not unpack as an executable"
grep -q '^Categories=Utility;' "$root/usr/share/applications/vostrel.desktop" ||
    fail "desktop entry is not in Utility"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$root/usr/share/applications/vostrel.desktop"
fi
echo "package contents and unpacking: ok"

# Debian's own checks: no error and no warning.
source "$(dirname "$0")/deps.sh"
install_missing lintian
as_root=()
[ "$(id -u)" -ne 0 ] || as_root=(--allow-root)
lintian "${as_root[@]}" --fail-on error,warning "$deb" || fail "lintian found faults (above)"
echo "lintian: ok"
