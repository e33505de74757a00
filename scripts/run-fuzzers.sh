#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for the same number of seconds, one after the
# other, and fails when any of them found a crash, a leak or a timeout.
#
#   scripts/run-fuzzers.sh BUILD_DIR SECONDS [TARGET...]
#
# Each target starts from its seed corpus (fuzz/corpus/<target>, read only) and from
# the inputs earlier runs of this build found (BUILD_DIR/fuzz-corpus/<target>, where new
# ones are added). An input that made a target fail is kept as
# BUILD_DIR/fuzz-artifacts/<target>/crash-… (or leak-…, timeout-…), the run's output in
# BUILD_DIR/fuzz-logs/<target>.log. The last lines give per target the executions per
# second, the coverage reached (cov: edges, ft: features) and the corpus size.
set -uo pipefail

if [ $# -lt 2 ]; then
  echo "usage: $0 BUILD_DIR SECONDS [TARGET...]" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
seconds=$2
shift 2
source_dir=$(cd "$(dirname "$0")/.." && pwd)

# An input that runs longer than this counts as a hang.
per_input_timeout=10
# More memory than this for one process counts as a failure (a runaway allocation).
rss_limit_mb=2048

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for exe in "$build"/fuzz/fuzz_*; do
    [ -x "$exe" ] && targets+=("$(basename "$exe" | sed 's/^fuzz_//')")
  done
fi
if [ ${#targets[@]} -eq 0 ]; then
  echo "no fuzz targets in $build/fuzz (build the target xj_fuzzers first)" >&2
  exit 2
fi

# The targets write their inputs to files; a memory-backed folder keeps that fast.
scratch_parent=/dev/shm
[ -d "$scratch_parent" ] && [ -w "$scratch_parent" ] || scratch_parent="$build"
scratch=$(mktemp -d "$scratch_parent/xjfuzz-XXXXXX")
trap 'rm -rf "$scratch"' EXIT

mkdir -p "$build/fuzz-logs"
failed=()
summary=()
for target in "${targets[@]}"; do
  exe="$build/fuzz/fuzz_$target"
  corpus="$build/fuzz-corpus/$target"
  artifacts="$build/fuzz-artifacts/$target"
  log="$build/fuzz-logs/$target.log"
  mkdir -p "$corpus" "$artifacts"
  args=(-max_total_time="$seconds" -timeout="$per_input_timeout" -rss_limit_mb="$rss_limit_mb"
        -print_final_stats=1 -artifact_prefix="$artifacts/")
  dict="$source_dir/fuzz/dictionaries/$target.dict"
  [ -f "$dict" ] && args+=(-dict="$dict")
  seeds="$source_dir/fuzz/corpus/$target"
  [ -d "$seeds" ] || seeds=

  echo "== fuzz_$target: $seconds s"
  TMPDIR="$scratch" UBSAN_OPTIONS=print_stacktrace=1 \
    "$exe" "${args[@]}" "$corpus" $seeds >"$log" 2>&1
  rc=$?
  done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1)
  execs=$(sed -n 's/^stat::average_exec_per_sec:[[:space:]]*//p' "$log" | tail -1)
  cov=$(sed -n 's/.* cov: \([0-9]*\) ft: \([0-9]*\) corp: \([0-9]*\/[0-9a-zA-Z]*\).*/cov \1, ft \2, corpus \3/p' <<<"$done_line")
  if [ $rc -ne 0 ]; then
    failed+=("$target")
    summary+=("fuzz_$target: FAILED (exit $rc), see $log")
    grep -E 'ERROR: |SUMMARY: |fuzz check failed|Test unit written' "$log" | head -5
  else
    summary+=("fuzz_$target: ${execs:-?} exec/s, ${cov:-no coverage line}")
  fi
done

echo "== fuzz summary ($seconds s per target)"
printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -ne 0 ]; then
  echo "failing targets: ${failed[*]} (inputs in $build/fuzz-artifacts/)" >&2
  exit 1
fi
