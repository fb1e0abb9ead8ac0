#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix of the build tree.
#   wine-run.sh PREFIX_DIR win32|win64 PROGRAM.exe [ARGS...]
# The prefix is created on first use. Every run gets its own Xvfb on a free
# display, started before Wine so that the prefix always has a display, and
# stopped afterwards. Wine's crash dialog is off (a crash must fail the test,
# not wait for a click) and the locale is pinned to US English. With
# ORLOFX_WINE_DPI set, the prefix's screen has that many dots per inch.
# Exit code 77 means "cannot run here" (CTest reports the test as skipped).
set -u
prefix=$1 arch=$2
shift 2

export WINEPREFIX=$prefix WINEARCH=$arch WINEDEBUG=${WINEDEBUG:--all}
export LC_ALL=C LANG=C WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset WINELOADER WINESERVER

if [ "$arch" = win32 ]; then
  wine=/usr/lib/wine/wine
else
  wine=/usr/lib/wine/wine64
fi
if ! command -v "$wine" >/dev/null; then
  echo "wine-run: $wine is not installed" >&2
  exit 77
fi
# A 32-bit prefix needs the kernel to run 32-bit programs; some kernels have
# that switched off.
if [ "$arch" = win32 ] && ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  echo "wine-run: this kernel cannot run 32-bit programs (ia32 emulation is off); skipped" >&2
  exit 77
fi

xvfb_pid=
log=
cleanup() {
  [ -n "$log" ] && rm -f "$log"
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  return 0
}
trap cleanup EXIT
if [ -z "${ORLOFX_USE_DISPLAY:-}" ]; then
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  xvfb_pid=$!
  read -r -t 20 display <"$fifo" || display=
  rm -f "$fifo"
  if [ -z "$display" ]; then
    echo "wine-run: Xvfb did not start" >&2
    exit 1
  fi
  export DISPLAY=:$display
fi

mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/.orlofx-ready" ]; then
    "$wine" wineboot -i >/dev/null 2>&1
    "$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    wineserver -w 2>/dev/null
    touch "$prefix/.orlofx-ready"
  fi
  # The Japanese dialogs ask for "MS UI Gothic": map it to the IPA Gothic
  # font (fonts-ipafont-gothic) and let Tahoma fall back to it for Japanese
  # text in menus. With that font installed Wine would otherwise also take it
  # (fixed pitch) for the missing Tahoma and the other Windows faces, so
  # those are pinned to DejaVu Sans, as they resolved before. Behind its own
  # marker so that prefixes made before this step get it on their next run;
  # no wineserver -w here, as other tests may be running in the prefix.
  if [ ! -f "$prefix/.orlofx-fonts-2" ]; then
    ok=1
    for face in Tahoma 'MS Sans Serif' 'Microsoft Sans Serif' 'Segoe UI' Arial Verdana; do
      "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ /d 'DejaVu Sans' /f \
        >/dev/null 2>&1 || ok=
    done
    "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Courier New' /t REG_SZ /d 'DejaVu Sans Mono' \
      /f >/dev/null 2>&1 || ok=
    "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS UI Gothic' /t REG_SZ /d IPAGothic /f \
      >/dev/null 2>&1 || ok=
    for face in Tahoma 'DejaVu Sans'; do
      "$wine" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
        /v "$face" /t REG_MULTI_SZ /d 'ipag.ttf,IPAGothic' /f >/dev/null 2>&1 || ok=
    done
    [ -n "$ok" ] && touch "$prefix/.orlofx-fonts-2"
  fi
  # No window manager runs on the Xvfb display, yet Wine would wait two
  # seconds for one to take each top-level window it shows. Unmanaged
  # windows are what the display gives without a window manager anyway.
  if [ ! -f "$prefix/.orlofx-unmanaged" ]; then
    "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 &&
      touch "$prefix/.orlofx-unmanaged"
  fi
  # A prefix for another screen DPI than 96 (ORLOFX_WINE_DPI, for example
  # 144): Wine reads LogPixels when a program starts.
  if [ -n "${ORLOFX_WINE_DPI:-}" ] && [ ! -f "$prefix/.orlofx-dpi-$ORLOFX_WINE_DPI" ]; then
    "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$ORLOFX_WINE_DPI" /f >/dev/null 2>&1 &&
      "$wine" reg add 'HKCC\Software\Fonts' /v LogPixels /t REG_DWORD /d "$ORLOFX_WINE_DPI" /f >/dev/null 2>&1 &&
      touch "$prefix/.orlofx-dpi-$ORLOFX_WINE_DPI"
  fi
) 9>"$prefix.lock"

# The program's output goes through a file, not straight to our caller: the
# first program in a prefix starts Wine's system processes (services,
# explorer ...), which inherit its output and outlive it while other tests
# keep the prefix busy. Holding the caller's pipe, they would make CTest wait
# for them until the test times out, long after the program has finished.
log=$(mktemp)
"$wine" "$@" >"$log" 2>&1
rc=$?
cat "$log"
# A test program that started its tests but never reported their end died
# on the way, whatever status Wine passed on.
if [ "$rc" = 0 ] && grep -q '^\[==========\] Running' "$log" &&
  ! grep -q '^\[==========\] .* ran\.' "$log"; then
  echo "wine-run: the program ended before its tests finished" >&2
  rc=1
fi
rm -f "$log"
exit $rc
