#!/usr/bin/env bash
# Where `orlofx process` spends its time, effect by effect, on the file and
# with the settings `make bench` uses (bench/heaviest.txt): the shares of
# the FFT, the rest of the processor, the processor's sample conversion
# into and out of its channel buffers (framework/sample_format.h), the
# tool's own code around the processor (cli/, its sample conversions
# included), libsndfile, the kernel (reading and writing the files) and
# the rest (the C library's memset and memcpy, start-up).
#
#   bench/profile.sh [effect ...]      (default: every effect in the table)
#
# Two views: callgrind's instruction counts, which a busy machine does not
# disturb, and perf's CPU-time samples, which also see the kernel. Builds
# an optimised tool with debug lines in build/bench-prof; needs valgrind and
# perf (scripts/install-deps.sh bench) and the pink-noise file that
# `make bench` leaves in build/bench/work.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/bench-prof
input=build/bench/work/pink-float32.wav
work=$build/profile
if [ ! -f "$input" ]; then
  echo "profile.sh: $input is missing; run 'make bench' first" >&2
  exit 1
fi
cmake -S . -B $build -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS=-g -DBUILD_TESTING=OFF >/dev/null
cmake --build $build -j2 --target orlofx >/dev/null
tool=$build/bin/orlofx
mkdir -p $work

# Settings of an effect, from the table's second column.
settings() { awk -F'|' -v fx="$1" '$1 !~ /^#/ { n = $1; gsub(/ /, "", n); if (n == fx) print $2 }' bench/heaviest.txt; }

if [ $# -eq 0 ]; then
  set -- $(awk -F'|' '$1 !~ /^#/ && NF > 4 { n = $1; gsub(/ /, "", n); print n }' bench/heaviest.txt)
fi

# Category of one symbol from its source file, its function and its object.
categorise='
function category(file, fn, obj) {
  if (fn ~ /Fft|Radix4Passes|GatherPass|GatherBlocks|JoinPass|MultiplyPackedSpectra/ || file ~ /dsp\/fft\.cpp/) return "FFT"
  if (fn ~ /orlofx::cli::/ || file ~ /(^|\/)cli\//) return "tool"
  if (file ~ /sample_format\.h/) return "conversion"
  if (obj ~ /libsndfile/) return "libsndfile"
  if (obj ~ /kernel/) return "kernel"
  if (obj ~ /orlofx$/ || obj == "orlofx") return "processor"
  return "other"
}
function report(fx, view, total) {
  printf "| %s | %s |", fx, view
  split("FFT processor conversion tool libsndfile kernel other", order, " ")
  for (i = 1; i <= 7; ++i) {
    if (order[i] == "kernel" && view == "instructions") printf " n/a |"  # callgrind sees user space only
    else printf " %.1f%% |", (total > 0 ? 100 * share[order[i]] / total : 0)
  }
  printf "\n"
}'

echo "| effect | view | FFT | processor | conversion | tool | libsndfile | kernel | other |"
echo "|---|---|---|---|---|---|---|---|---|"
for fx in "$@"; do
  read -r -a opts <<<"$(settings "$fx")"
  # Instructions: callgrind, one run.
  valgrind --tool=callgrind --callgrind-out-file=$work/$fx.callgrind \
    "$tool" process "$fx" "${opts[@]}" "$input" $work/$fx.wav >/dev/null 2>&1
  callgrind_annotate --inclusive=no --threshold=100 --auto=no $work/$fx.callgrind 2>/dev/null |
    awk -v fx="$fx" "$categorise"'
      /PROGRAM TOTALS/ { next }
      match($0, /^ *[0-9,]+ \( *[0-9.]+%\)  /) {
        count = substr($0, 1, RLENGTH); gsub(/[ ,]|\(.*/, "", count)
        rest = substr($0, RLENGTH + 1)
        file = rest; sub(/:.*/, "", file)
        fn = substr(rest, length(file) + 2)
        obj = fn; if (match(fn, /\[[^]]*\]$/)) obj = substr(fn, RSTART + 1, RLENGTH - 2); else obj = "orlofx"
        share[category(file, fn, obj)] += count; total += count
      }
      END { report(fx, "instructions", total) }'
  # Time: perf samples over a few runs, the kernel included.
  if perf record -q -F 5000 -e cpu-clock -o $work/$fx.perf -- sh -c \
      "for i in 1 2 3 4 5 6; do \"$tool\" process $fx ${opts[*]} $input $work/$fx.wav >/dev/null 2>&1; done" \
      >/dev/null 2>&1; then
    perf report -i $work/$fx.perf --stdio --sort comm,dso,sym,srcfile 2>/dev/null |
      awk -v fx="$fx" "$categorise"'
        /^#/ || NF < 4 || $2 != "orlofx" { next }
        {
          pct = $1; sub(/%/, "", pct)
          obj = $3; file = $NF; fn = ""
          for (i = 5; i < NF; ++i) fn = fn " " $i
          share[category(file, fn, obj)] += pct; total += pct
        }
        END { report(fx, "CPU time", total) }'
  else
    echo "| $fx | CPU time | (perf could not record here) | | | | | | |"
  fi
done
