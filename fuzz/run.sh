#!/usr/bin/env bash
# Runs every fuzz target for a bounded time: fuzz/run.sh BUILD_DIR SECONDS
# Corpus: the repository's seeds (fuzz/corpus/<target>/) plus seeds made
# from the effect list, in BUILD_DIR/corpus/<target>/ (grows across runs).
# A finding is left in BUILD_DIR/artifacts/<target>/ and fails the run.
set -uo pipefail
build=${1:-build/fuzz}
seconds=${2:-30}
here=$(cd "$(dirname "$0")" && pwd)
status=0
for target in fuzz_record fuzz_settings; do
  bin="$build/bin/$target"
  corpus="$build/corpus/$target"
  artifacts="$build/artifacts/$target"
  mkdir -p "$corpus" "$artifacts"
  cp -n "$here/corpus/$target/"* "$corpus/" 2>/dev/null || true
  ORLOFX_FUZZ_WRITE_SEEDS="$corpus" "$bin" >/dev/null 2>&1
  echo "== $target: ${seconds}s, corpus $(ls "$corpus" | wc -l) files"
  # -close_fd_mask=3 silences the tool's own messages; libFuzzer and the
  # sanitizers keep reporting on a duplicate of stderr.
  if ! ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
      "$bin" -max_total_time="$seconds" -close_fd_mask=3 -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$artifacts/" -print_final_stats=1 "$corpus" 2>&1 |
      grep -E '^(#[0-9]+ +DONE|INFO: seed corpus|==[0-9]+==ERROR|SUMMARY|stat::number_of_executed_units|stat::new_units_added|fuzz check failed|artifact_prefix|Test unit written|Done )'; then
    :
  fi
  if ls "$artifacts" | grep -q .; then
    echo "!! $target left findings in $artifacts"
    status=1
  fi
done
exit $status
