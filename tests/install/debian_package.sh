#!/usr/bin/env bash
# Builds the Debian package from the build directory and checks its contents and
# its dependencies (worked out by dpkg-shlibdeps).
# Usage: debian_package.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d /tmp/setvyn-deb.XXXXXX)
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work" >"$work/cpack.log" 2>&1) ||
  { cat "$work/cpack.log" >&2; exit 1; }
deb=$(ls "$work"/setvyn_*.deb)
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/files"

missing=0
for f in /usr/bin/setvyn /usr/bin/VynData /usr/bin/vyntool /usr/bin/vynsim \
         /usr/share/setvyn/conf.dat /usr/share/setvyn/rash.spe /usr/share/setvyn/prg.vyn \
         /usr/share/setvyn/VynApplication.html \
         /usr/share/setvyn/VynCardProg.html /usr/share/setvyn/VynDocumentStyle.css \
         /usr/share/setvyn/help/setvyn.html \
         /usr/share/applications/org.setvyn.Setvyn.desktop \
         /usr/share/applications/org.setvyn.VynData.desktop \
         /usr/share/icons/hicolor/scalable/apps/org.setvyn.Setvyn.svg \
         /usr/share/icons/hicolor/scalable/apps/org.setvyn.VynData.svg \
         /usr/share/metainfo/org.setvyn.Setvyn.metainfo.xml \
         /usr/share/man/man1/vyntool.1 /usr/share/man/man1/vynsim.1 \
         /usr/share/doc/setvyn/README.md /usr/share/doc/setvyn/60-setvyn-serial.rules.example; do
  grep -qx "$f" "$work/files" || { echo "missing from the package: $f" >&2; missing=1; }
done
# Nothing of the build or the tests.
if grep -E 'test_|_driver|\.a$|/include/' "$work/files" >&2; then
  echo "build or test files in the package" >&2
  missing=1
fi

depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6widgets6 libqt6sql6 libqt6sql6-sqlite qt6-qpa-plugins libc6; do
  grep -Eq "(^|, )$d( |,|$)" <<<"$depends" || { echo "Depends lacks $d: $depends" >&2; missing=1; }
done
[ "$missing" -eq 0 ]
echo "$(basename "$deb"): $(wc -l <"$work/files") entries; Depends: $depends"
