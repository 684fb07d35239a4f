#!/usr/bin/env bash
# Builds everything from scratch and runs every test: the native build, the
# sanitizer build with the unit tests, the Debian package, the Windows
# cross-build with its executable's resources and the program end to end
# under Wine, a short benchmark smoke run and a short fuzz run.
set -euo pipefail
cd "$(dirname "$0")/.."

fuzz_seconds="${FUZZ_SECONDS:-40}"
jobs="$(nproc)"
# The short desktop torture test (20 steps a desktop, a fixed seed);
# NIVARRA_TORTURE=off skips it while working on something else.
torture="${NIVARRA_TORTURE:-on}"

# Each phase says how long the run has taken so far: the whole run must
# stay well inside CI's time.
phase() { echo "== $* (at $((SECONDS / 60)) min $((SECONDS % 60)) s)"; }

scripts/install-deps.sh

rm -rf build/native build/asan build/fuzz build/windows

# The unit tests build and run once, in the sanitizer build below; the
# optimised build is the one the end-to-end tests, the package and the
# benchmarks use.
phase "native"
cmake --preset native -DNIVARRA_BUILD_TESTS=OFF
cmake --build --preset native -j "$jobs"

phase "Linux program end to end (openbox with a panel, bare and with a compositor; a server without MIT-SHM; GDK_SCALE=2; a screensaver; two monitors)"
NIVARRA_E2E_SHOTS=build/gtk-e2e tests/gtk/e2e.sh build/native/src/app/nivarra

# Packaging (added with the Debian package; about 5 s after the native build)
phase "Debian package: contents, Depends, --version, --help, an unknown option, validators, lintian"
tests/package/deb.sh build/native

phase "asan (the unit tests)"
cmake --preset asan
cmake --build --preset asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --preset asan -j "$jobs"

phase "windows (cross-build)"
cmake --preset windows
cmake --build --preset windows -j "$jobs"

# Packaging (added with the shipped executable; under 1 s)
phase "windows executable: icon, version information, manifest, TFRMMAIN, no debug sections"
tests/package/exe.sh build/windows/src/app/Nivarra.exe

phase "windows program under Wine (end to end: a bare screen, 192 DPI, a Russian desktop, openbox with a panel and two monitors)"
tests/wine/e2e.sh build/windows/src/app/Nivarra.exe

if [ "$torture" = on ]; then
  phase "desktop torture test (20 steps on each of openbox, openbox with xcompmgr, xfwm4, IceWM, Wine on openbox)"
  NIVARRA_TORTURE_SHOTS=build/torture scripts/torture.sh --seed 1 --steps 20 \
    --program build/native/src/app/nivarra --exe build/windows/src/app/Nivarra.exe
else
  phase "desktop torture test: skipped (NIVARRA_TORTURE=off)"
fi

phase "benchmark smoke run"
build/native/bench/png_bench --benchmark_filter='/(161x161|flake)' --benchmark_min_time=0.01
build/native/bench/frame_bench --benchmark_min_time=0.01

phase "fuzz (${fuzz_seconds} s)"
cmake --preset fuzz
cmake --build --preset fuzz -j "$jobs" --target png_read_fuzzer layout_read_fuzzer
work="$(mktemp -d)"
# (With errexit on, a failed kill of a fuzzer that has already ended would
# end the trap, and the run, with a failure after every test passed.)
trap 'if [ -n "${layout_fuzzer:-}" ]; then kill "$layout_fuzzer" 2>/dev/null || true; fi; rm -rf "$work"' EXIT
mkdir -p "$work/png" "$work/layout"
cp fuzz/corpus/png/* "$work/png/"
cp fuzz/corpus/layout/* "$work/layout/"
# The two fuzzers run side by side, one a core.
build/fuzz/fuzz/layout_read_fuzzer -max_len=8192 -timeout=10 -rss_limit_mb=2048 \
  -max_total_time="$fuzz_seconds" -print_final_stats=1 "$work/layout" >"$work/layout.log" 2>&1 &
layout_fuzzer=$!
build/fuzz/fuzz/png_read_fuzzer -dict=fuzz/png.dict -max_len=8192 -timeout=10 -rss_limit_mb=2048 \
  -max_total_time="$fuzz_seconds" -print_final_stats=1 "$work/png"
layout_status=0
wait "$layout_fuzzer" || layout_status=$?
cat "$work/layout.log"
((layout_status == 0)) || { echo "layout fuzzer: FAIL (exit $layout_status)" >&2; exit 1; }

phase "all tests passed"
