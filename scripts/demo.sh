#!/usr/bin/env bash
# The main job: show what the tool offers and run it on a generated sample.
#   demo.sh BIN_DIR
set -euo pipefail
bin=$1
orlofx=$bin/orlofx
out=build/demo
mkdir -p "$out"

echo "== orlofx --help"
"$orlofx" --help
echo
echo "== orlofx list"
"$orlofx" list
echo

echo "== a sample: 4 s of 16-bit stereo at 44.1 kHz, tone bursts of rising level with low noise between"
"$bin/make_test_wav" "$out/sample.wav" pcm16 2 44100 4
ls -l "$out/sample.wav"
echo

echo "== noise gate, default settings (threshold -20.0 dB): bursts quieter than that stay closed"
"$orlofx" process noise-gate "$out/sample.wav" "$out/sample.noise-gate.wav"
echo "== noise gate, preset \"Noise gate 1\" (threshold -60.0 dB): only the noise between bursts is removed"
"$orlofx" process noise-gate --preset "Noise gate 1" "$out/sample.wav" "$out/sample.noise-gate-1.wav"
echo "== the same settings as a record a host would store, and used again from it"
"$orlofx" record noise-gate --preset "Noise gate 1" "$out/noise-gate-1.rec"
"$orlofx" process noise-gate --record "$out/noise-gate-1.rec" "$out/sample.wav" "$out/sample.from-record.wav"
cmp "$out/sample.noise-gate-1.wav" "$out/sample.from-record.wav" && echo "   identical output from the record"
echo

echo "== every effect, one preset each, chained in one pass (floating point between them), written as FLAC"
"$orlofx" process noise-gate --preset 4 then graphic-dynamics --preset 7 then multiband-dynamics --preset 4 \
  then parametric-eq --preset 2 then paragraphic-eq --preset 2 then graphic-eq --preset 3 \
  --stats --json "$out/chain.json" "$out/sample.wav" "$out/sample.chain.flac"
echo "   the report: $out/chain.json"
echo

echo "== a setting changed while the file plays: the 450 Hz band of the Graphic EQ down 12 dB from 2 s on"
"$orlofx" process graphic-eq --at 2:band10_gain=-120 "$out/sample.wav" "$out/sample.band10-at-2s.wav"
echo

echo "== what two of those settings do"
"$orlofx" response parametric-eq --preset 2 --rate 44100 --points 12
"$orlofx" response graphic-dynamics --preset 6 --rate 44100 --points 12
ls -l "$out"
