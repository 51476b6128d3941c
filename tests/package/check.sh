#!/usr/bin/env bash
# Checks the Debian package a build made: what it installs where, what it depends on, and that
# lintian finds no error or warning in it.
#     check.sh BUILD_FOLDER
set -euo pipefail
shopt -s nullglob
debs=("$1"/kelvara_*_"$(dpkg --print-architecture)".deb)
[ ${#debs[@]} -eq 1 ] || { echo "FAIL: expected one package in $1, found ${#debs[@]}" >&2; exit 1; }
deb="${debs[0]}"
fail() { echo "FAIL: $deb: $*" >&2; exit 1; }

files="$(dpkg-deb -c "$deb" | awk '{print $6}')"
for path in ./usr/bin/kelvara ./usr/share/applications/kelvara.desktop \
    ./usr/share/icons/hicolor/scalable/apps/kelvara.svg \
    ./usr/share/metainfo/org.kelvara.Kelvara.metainfo.xml ./usr/share/man/man1/kelvara.1.gz \
    ./usr/share/doc/kelvara/copyright ./usr/share/doc/kelvara/changelog.gz; do
    grep -qx "$path" <<<"$files" || fail "no $path"
done
stray="$(grep -v '^\./usr/\(bin\|share\)/' <<<"$files" | grep -v '^\./\(usr/\)\?$' || true)"
[ -z "$stray" ] || fail "files outside /usr/bin and /usr/share: $stray"

depends="$(dpkg-deb -f "$deb" Depends)"
for needed in libqt6widgets6 libqt6dbus6 libxi6 qt6-qpa-plugins libc6; do
    grep -q "\b$needed\b" <<<"$depends" || fail "does not depend on $needed: $depends"
done
[ "$(dpkg-deb -f "$deb" Recommends)" = "fonts-noto-color-emoji" ] || fail "no emoji font recommended"
[ "$(dpkg-deb -f "$deb" Package)" = kelvara ] || fail "wrong package name"

lintian --fail-on error,warning "$deb" || fail "lintian found errors or warnings"
echo "ok: $(basename "$deb"), $(wc -l <<<"$files") entries, lintian clean"
