#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz", clang) and fuzzes each for a fixed time, one process
# per target. Fails on any crash, broken invariant, leak, timeout or sanitizer report.
#
#   tools/fuzz.sh                        every target, FUZZ_SECONDS (default 20) each
#   tools/fuzz.sh script                 only the named targets
#   tools/fuzz.sh --seconds 600 script   a long run in one command (overrides FUZZ_SECONDS)
#   tools/fuzz-long.sh 3600              every target for an hour, two at a time, corpora merged after
#
# Each target's summary line gives its runs, the seconds it fuzzed and its runs per second.
#
# The repository's seed corpora are copied into build/fuzz/work/<target>/corpus, which keeps what
# earlier runs found (FUZZ_FRESH=1 starts from the seeds alone); the repository is never written.
# Saved reproducers in tests/fuzz/regressions/<target>/ are run first. Findings land in
# build/fuzz/work/<target>/artifacts/.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
seconds="${FUZZ_SECONDS:-20}"
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) [ $# -ge 2 ] || { echo "fuzz: --seconds needs a number" >&2; exit 2; }; seconds="$2"; shift 2 ;;
    --seconds=*) seconds="${1#--seconds=}"; shift ;;
    -*) echo "fuzz: unknown option $1 (usage: tools/fuzz.sh [--seconds N] [target...])" >&2; exit 2 ;;
    *) targets+=("$1"); shift ;;
  esac
done
[[ "$seconds" =~ ^[1-9][0-9]*$ ]] || { echo "fuzz: seconds must be a whole number above 0, not '$seconds'" >&2; exit 2; }
[ ${#targets[@]} -gt 0 ] || targets=(command_line script date_picture checker plan)

# Allocations keep no stack of their own while fuzzing: recording one for every allocation of
# every run took a quarter of the time. A finding is run once more with the full stacks for its
# report (below). Options already in ASAN_OPTIONS come later and so win.
export ASAN_OPTIONS="malloc_context_size=0${ASAN_OPTIONS:+:$ASAN_OPTIONS}"

# tools/fuzz-long.sh builds once and then runs this for two targets at a time (FUZZ_BUILT=1).
if [ "${FUZZ_BUILT:-0}" != 1 ]; then
  "$root/tools/setup.sh"
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz -j2 >/dev/null
fi

failed=()
for target in "${targets[@]}"; do
  exe="build/fuzz/tests/fuzz/fuzz_$target"
  work="build/fuzz/work/$target"
  log="$work/fuzz.log"
  [ -x "$exe" ] || { echo "fuzz: no target $target" >&2; exit 2; }
  [ "${FUZZ_FRESH:-0}" = 1 ] && rm -rf "$work"
  mkdir -p "$work/corpus" "$work/artifacts"
  # The checker and the plan read scripts as the script target does, and start from its corpus too.
  seeds=("tests/fuzz/corpus/$target")
  case "$target" in checker | plan) seeds=(tests/fuzz/corpus/script) ;; esac
  for seed in "${seeds[@]}"; do cp -p "$seed/"* "$work/corpus/"; done

  options=(-timeout=5 -rss_limit_mb=2048 -print_final_stats=1 "-artifact_prefix=$work/artifacts/")
  dict="tests/fuzz/$target.dict"
  case "$target" in checker | plan) dict=tests/fuzz/script.dict ;; esac
  [ -f "$dict" ] && options+=("-dict=$dict")

  status=0
  regressions=("tests/fuzz/regressions/$target/"*)
  if [ -e "${regressions[0]}" ]; then
    echo "fuzz: $target: ${#regressions[@]} saved reproducers"
    "$exe" "${options[@]}" "${regressions[@]}" >"$work/regressions.log" 2>&1 || status=$?
    if [ $status -ne 0 ]; then
      tail -n 40 "$work/regressions.log" >&2
      failed+=("$target (reproducers, exit $status)")
      continue
    fi
  fi

  echo "fuzz: $target for ${seconds}s"
  start=$SECONDS
  "$exe" "${options[@]}" -max_total_time="$seconds" "$work/corpus" >"$log" 2>&1 || status=$?
  # A sanitizer that recovered would still have written its report.
  if [ $status -eq 0 ] && grep -qE 'runtime error:|ERROR: (Address|Leak|UndefinedBehavior)Sanitizer|INVARIANT FAILED' "$log"; then
    status=1
  fi
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"
  rate="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)"
  echo "fuzz: $target: ${runs:-?} runs in $((SECONDS - start))s, ${rate:-?} runs/s, exit $status"
  if [ $status -ne 0 ]; then
    # The saved input again, with the allocation and free stacks that a memory report names.
    report="$log"
    artifact="$(sed -n 's/.*Test unit written to //p' "$log" | tail -n 1)"
    if [ -n "$artifact" ] && [ -f "$artifact" ]; then
      ASAN_OPTIONS="${ASAN_OPTIONS#malloc_context_size=0}" "$exe" "$artifact" >"$work/finding.log" 2>&1 || true
      if grep -qE 'INVARIANT FAILED|ERROR: [A-Za-z]+Sanitizer|runtime error:' "$work/finding.log"; then
        report="$work/finding.log"
      fi
    fi
    # The first report with the top of its stack, then libFuzzer's verdict and the saved input.
    grep -m 1 -A 14 -E 'INVARIANT FAILED|ERROR: [A-Za-z]+Sanitizer|runtime error:|ERROR: libFuzzer' "$report" >&2 ||
      tail -n 30 "$report" >&2
    grep -E '^SUMMARY:|Test unit written' "$log" >&2 || true
    echo "fuzz: full log in $log${artifact:+, the finding run again in $work/finding.log}" >&2
    failed+=("$target (exit $status)")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: FAILED: ${failed[*]}" >&2
  exit 1
fi
echo "fuzz: no findings"
