#!/usr/bin/env bash
# Checks a built Orbeko package: it holds the programs, the desktop entry,
# the icon and the help, the desktop entry is valid, and the packed
# orbeko-admin runs.
set -euo pipefail
deb=$1
contents=$(dpkg-deb -c "$deb")
for path in ./usr/bin/orbeko ./usr/bin/orbeko-admin ./usr/share/applications/orbeko.desktop \
            ./usr/share/icons/hicolor/scalable/apps/orbeko.svg ./usr/share/doc/orbeko/help/index.html; do
  grep -q " $path\$" <<<"$contents" || { echo "missing from $deb: $path" >&2; exit 1; }
done
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || { echo "$deb does not depend on Qt" >&2; exit 1; }
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/orbeko.desktop"
"$root/usr/bin/orbeko-admin" --version
echo "package ok: $deb"
