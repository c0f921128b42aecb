#!/usr/bin/env bash
# Checks a built Orbeko package: it holds the programs, the server home's
# module, the desktop entry, the icon and the help, the desktop entry is
# valid, only the module needs libpq, and the packed orbeko-admin runs.
set -euo pipefail
deb=$1
contents=$(dpkg-deb -c "$deb")
for path in ./usr/bin/orbeko ./usr/bin/orbeko-admin ./usr/share/applications/orbeko.desktop \
            ./usr/share/icons/hicolor/scalable/apps/orbeko.svg ./usr/share/doc/orbeko/help/index.html; do
  grep -q " $path\$" <<<"$contents" || { echo "missing from $deb: $path" >&2; exit 1; }
done
module=$(grep -Eo '\./usr/lib/([^/]+/)?orbeko/orbeko-server-home\.so$' <<<"$contents") \
  || { echo "missing from $deb: the server home's module" >&2; exit 1; }
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || { echo "$deb does not depend on Qt" >&2; exit 1; }
dpkg-deb -f "$deb" Depends | grep -q libpq5 || { echo "$deb does not depend on libpq" >&2; exit 1; }
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/orbeko.desktop"
# The desktop program loads libpq with the module, when a location is a server.
if objdump -p "$root/usr/bin/orbeko" | grep -q 'NEEDED.*libpq'; then
  echo "the packed orbeko needs libpq itself" >&2
  exit 1
fi
objdump -p "$root/$module" | grep -q 'NEEDED.*libpq' || { echo "the packed server home does not load libpq" >&2; exit 1; }
"$root/usr/bin/orbeko-admin" --version
echo "package ok: $deb"
