#!/usr/bin/env bash
# Writes test inputs and the native tool's outputs for them, for the Windows
# stream tests that compare the filters under Wine with the native build.
#   make-reference.sh NATIVE_BIN_DIR OUT_DIR
set -euo pipefail
bin=$1 out=$2
for tool in "$bin/orlofx" "$bin/make_test_wav"; do
  [ -x "$tool" ] || { echo "make-reference: $tool is missing: build the native preset first" >&2; exit 1; }
done
mkdir -p "$out"
# Every effect the tool offers, with its default settings (preset 0).
effects=$("$bin/orlofx" list | awk '/^[a-z]/ {print $1}')
# name format channels rate seconds
while read -r name format channels rate seconds; do
  "$bin/make_test_wav" "$out/$name.wav" "$format" "$channels" "$rate" "$seconds"
  for effect in $effects; do
    "$bin/orlofx" process "$effect" "$out/$name.wav" "$out/$name.$effect.wav" >/dev/null
  done
done <<'LIST'
pcm16_stereo_44100 pcm16 2 44100 2.3
pcm8_mono_22050 pcm8 1 22050 1.7
pcm32_stereo_48000 pcm32 2 48000 1.1
float_mono_44100 float 1 44100 1.3
double_stereo_32000 double 2 32000 0.9
LIST
echo "reference files in $out"
