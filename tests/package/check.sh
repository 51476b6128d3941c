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
    ./usr/share/doc/kelvara/copyright ./usr/share/doc/kelvara/changelog.gz \
    ./usr/libexec/kelvara/kelvara-keyservice ./lib/systemd/system/kelvara-keyservice.socket \
    ./lib/systemd/system/kelvara-keyservice.service ./usr/lib/sysusers.d/kelvara-keyservice.conf; do
    grep -qx "$path" <<<"$files" || fail "no $path"
done
stray="$(grep -v '^\./\(usr/\(bin\|share\|libexec/kelvara\|lib/sysusers\.d\)\|lib/systemd/system\)/' \
    <<<"$files" | grep -vx '\./\(usr/\(lib/\|libexec/\)\?\|lib/\(systemd/\)\?\)\?' || true)"
[ -z "$stray" ] || fail "files outside the program's folders: $stray"

depends="$(dpkg-deb -f "$deb" Depends)"
for needed in libqt6widgets6 libqt6dbus6 libxi6 qt6-qpa-plugins libc6 systemd init-system-helpers; do
    grep -q "\b$needed\b" <<<"$depends" || fail "does not depend on $needed: $depends"
done
[ "$(dpkg-deb -f "$deb" Recommends)" = "fonts-noto-color-emoji" ] || fail "no emoji font recommended"
[ "$(dpkg-deb -f "$deb" Package)" = kelvara ] || fail "wrong package name"

# The key service's units, against the program the package holds; then the program itself, with
# no logind to ask: it listens, serves nobody and ends once idle.
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
units="$root/units"
mkdir "$units"
cp "$root"/lib/systemd/system/kelvara-keyservice.* "$units/"
sed -i "s|^ExecStart=/usr/libexec|ExecStart=$root/usr/libexec|" "$units/kelvara-keyservice.service"
SYSTEMD_UNIT_PATH="$units:" systemd-analyze verify --man=no "$units"/kelvara-keyservice.* ||
    fail "systemd-analyze verify found faults in the key service's units"
grep -qx 'ListenStream=/run/kelvara-keyservice.socket' "$units/kelvara-keyservice.socket" ||
    fail "the socket unit listens elsewhere than the program connects to"
status=0
DBUS_SYSTEM_BUS_ADDRESS="unix:path=$root/no-bus" timeout 20 \
    "$root/usr/libexec/kelvara/kelvara-keyservice" --socket "$root/keys.socket" --idle-exit 1 \
    >"$root/keyservice.log" 2>&1 || status=$?
[ "$status" -eq 0 ] || fail "the key service ended with status $status: $(cat "$root/keyservice.log")"
grep -q 'Serving key presses' "$root/keyservice.log" ||
    fail "the key service said nothing: $(cat "$root/keyservice.log")"

lintian --fail-on error,warning "$deb" || fail "lintian found errors or warnings"
echo "ok: $(basename "$deb"), $(wc -l <<<"$files") entries, lintian clean"
