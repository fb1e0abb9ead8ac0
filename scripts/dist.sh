#!/usr/bin/env bash
# Leaves the release files in build/dist: the tool, the two DLLs and the LV2
# bundle's module without debug sections, each with its debug information
# beside it in FILE.debug and a debug link to it, so that a crash report can
# still be read:
#   gdb build/dist/linux/orlofx          finds orlofx.debug through the link
#   objdump -h build/dist/win32/orlofx.dll   shows no .debug_* section
set -euo pipefail
cd "$(dirname "$0")/.."

# split TOOL_PREFIX BUILT DEST: DEST stripped of debug sections, DEST.debug
# holding them, DEST linked to DEST.debug.
split() {
  local tools=$1 built=$2 dest=$3
  mkdir -p "$(dirname "$dest")"
  cp "$built" "$dest"
  "${tools}objcopy" --only-keep-debug "$dest" "$dest.debug"
  # The link is resolved by file name in the folder of the stripped file.
  (cd "$(dirname "$dest")" &&
    "${tools}objcopy" --strip-debug --add-gnu-debuglink="$(basename "$dest").debug" "$(basename "$dest")")
  if "${tools}objdump" -h "$dest" | grep -q ' \.debug_'; then
    echo "dist: $dest still has debug sections" >&2
    exit 1
  fi
  if ! "${tools}objdump" -h "$dest.debug" | grep -q ' \.debug_info'; then
    echo "dist: $dest.debug holds no debug information" >&2
    exit 1
  fi
}

split "" build/native/bin/orlofx build/dist/linux/orlofx
split i686-w64-mingw32- build/win32/bin/orlofx.dll build/dist/win32/orlofx.dll
split x86_64-w64-mingw32- build/win64/bin/orlofx.dll build/dist/win64/orlofx.dll
# The LV2 bundle: its Turtle as the build wrote it, the module split as above.
rm -rf build/dist/lv2
mkdir -p build/dist/lv2/orlofx.lv2
cp build/native/lv2/orlofx.lv2/*.ttl build/dist/lv2/orlofx.lv2/
split "" build/native/lv2/orlofx.lv2/orlofx.so build/dist/lv2/orlofx.lv2/orlofx.so
ls -l build/dist/*/*
