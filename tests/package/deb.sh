#!/usr/bin/env bash
# The Debian package as a user gets it: built by CPack from a native build,
# its Depends worked out from the binary, the files a desktop looks for and
# Debian's copyright and changelog, a program that answers --version and
# --help and refuses unknown options without a display, a launcher that
# names the program to try (TryExec) and metainfo their validators accept,
# and lintian's verdict.
#
#   tests/package/deb.sh [build dir]     (default build/native, already built)
set -uo pipefail

root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(realpath -m "${1:-$root/build/native}")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# shellcheck source=../lib/checks.sh
source "$root/tests/lib/checks.sh"

version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
deb="$build/nivarra_${version}-1_$(dpkg --print-architecture).deb"
rm -f "$deb"
if ! cmake --build "$build" --target package >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  echo "package: FAIL: CPack failed"
  exit 1
fi
check "the package is $(basename "$deb")" test -f "$deb"

dpkg-deb -I "$deb" >"$work/info"
check "Depends worked out from the binary, GTK 3 among them" grep -Eq '^ Depends: .*libc6.*libgtk-3-0' "$work/info"

dpkg-deb -c "$deb" | awk '{print $6}' >"$work/files"
expected=(./usr/bin/nivarra ./usr/share/applications/nivarra.desktop
  ./usr/share/metainfo/org.nivarra.Nivarra.metainfo.xml ./usr/share/man/man1/nivarra.1.gz
  ./usr/share/doc/nivarra/copyright ./usr/share/doc/nivarra/changelog.Debian.gz)
for size in 16 22 24 32 48 64 128 256 512; do
  expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/nivarra.png")
done
for language in de fr es it pl ru uk sr cs nl pt_BR; do
  expected+=("./usr/share/locale/$language/LC_MESSAGES/nivarra.mo")
done
missing="$(printf '%s\n' "${expected[@]}" | grep -vxFf "$work/files")"
check "installs the program, launcher, metainfo, manual page, icons, translations, copyright and changelog${missing:+ (missing: $missing)}" \
  test -z "$missing"

dpkg -x "$deb" "$work/root"
share="$work/root/usr/share"
wrong=""
for size in 16 22 24 32 48 64 128 256 512; do
  got="$(identify -format '%wx%h' "$share/icons/hicolor/${size}x${size}/apps/nivarra.png" 2>/dev/null)"
  [ "$got" = "${size}x${size}" ] || wrong+=" ${size}:${got:-unreadable}"
done
check "each icon is the size its folder says${wrong:+ (wrong:$wrong)}" test -z "$wrong"
check "the installed program carries no debug sections" \
  bash -c "! readelf -S '$work/root/usr/bin/nivarra' | grep -q '\.debug_'"

program="$work/root/usr/bin/nivarra"
check "--version prints nivarra $version without a display" \
  test "$(env -u DISPLAY -u WAYLAND_DISPLAY "$program" --version)" = "nivarra $version"
env -u DISPLAY -u WAYLAND_DISPLAY XDG_CONFIG_HOME=/elsewhere "$program" -h >"$work/help"
check "-h succeeds, names the add argument and the settings file where it is" \
  eval "grep -q '^  add ' '$work/help' && grep -qx /elsewhere/nivarra/settings.ini '$work/help'"
env -u DISPLAY -u WAYLAND_DISPLAY "$program" --bogus >"$work/out" 2>"$work/err"
status=$?
check "an unknown option exits with 2, usage on stderr only" \
  bash -c "[ $status -eq 2 ] && [ ! -s '$work/out' ] && grep -q '^Usage: nivarra' '$work/err'"

check "desktop-file-validate accepts the launcher" \
  desktop-file-validate "$share/applications/nivarra.desktop"
check "the launcher is shown only while the program is there (TryExec)" \
  grep -qx 'TryExec=nivarra' "$share/applications/nivarra.desktop"
check "appstreamcli accepts the metainfo" \
  appstreamcli validate --no-net "$share/metainfo/org.nivarra.Nivarra.metainfo.xml"
check "the manual page formats without warnings" \
  bash -c "[ -z \"\$(MANWIDTH=80 man --warnings -l '$share/man/man1/nivarra.1.gz' 2>&1 >/dev/null)\" ]"

# initial-upload-closes-no-bugs asks a first upload to Debian's archive to
# close its "intent to package" bug; this package is not uploaded there.
lintian --fail-on error,warning --suppress-tags initial-upload-closes-no-bugs "$deb" >"$work/lintian" 2>&1
status=$?
grep -v 'running with root privileges' "$work/lintian" | sed 's/^/     lintian: /'
check "lintian finds no errors and no warnings" [ $status -eq 0 ]

echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
