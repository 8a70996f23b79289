#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz", clang) and fuzzes each for a fixed time, one process
# per target, then runs every input of the target's corpus again under AddressSanitizer (the
# replay programs of the preset "asan"). Fails on any crash, broken invariant, leak, timeout or
# sanitizer report.
#
#   tools/fuzz.sh                        every target, FUZZ_SECONDS (default 20) each
#   tools/fuzz.sh script                 only the named targets
#   tools/fuzz.sh --seconds 600 script   a long run in one command (overrides FUZZ_SECONDS)
#   tools/fuzz.sh --build                only build the fuzz targets and the replay programs
#   tools/fuzz-long.sh 3600              every target for an hour, two at a time, corpora merged after
#
# Each target's summary line gives its runs, the seconds it fuzzed and its runs per second. The
# fuzzing build has the undefined-behaviour checks but not AddressSanitizer, which made each run
# two and a half times as long: memory errors are looked for in every input the fuzzing kept.
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
build_only=0
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) [ $# -ge 2 ] || { echo "fuzz: --seconds needs a number" >&2; exit 2; }; seconds="$2"; shift 2 ;;
    --seconds=*) seconds="${1#--seconds=}"; shift ;;
    --build) build_only=1; shift ;;
    -*) echo "fuzz: unknown option $1 (usage: tools/fuzz.sh [--seconds N | --build] [target...])" >&2; exit 2 ;;
    *) targets+=("$1"); shift ;;
  esac
done
[[ "$seconds" =~ ^[1-9][0-9]*$ ]] || { echo "fuzz: seconds must be a whole number above 0, not '$seconds'" >&2; exit 2; }
all_targets=(command_line script date_picture checker plan)
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")
# What a finding writes to a log: a broken invariant, a sanitizer's report.
findings='INVARIANT FAILED|ERROR: [A-Za-z]+Sanitizer|runtime error:'

# tools/fuzz-long.sh builds once (--build) and then runs this for two targets at a time (FUZZ_BUILT=1).
if [ "${FUZZ_BUILT:-0}" != 1 ]; then
  "$root/tools/setup.sh"
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz -j2 >/dev/null
  cmake --preset asan >/dev/null
  cmake --build --preset asan -j2 --target "${all_targets[@]/#/replay_}" >/dev/null
fi
[ $build_only = 1 ] && exit 0

failed=()
for target in "${targets[@]}"; do
  exe="build/fuzz/tests/fuzz/fuzz_$target"
  replay="build/asan/tests/fuzz/replay_$target"
  work="build/fuzz/work/$target"
  log="$work/fuzz.log"
  [ -x "$exe" ] && [ -x "$replay" ] || { echo "fuzz: no target $target" >&2; exit 2; }
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
  if [ $status -eq 0 ] && grep -qE "$findings" "$log"; then
    status=1
  fi
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"
  rate="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)"
  echo "fuzz: $target: ${runs:-?} runs in $((SECONDS - start))s, ${rate:-?} runs/s, exit $status"
  if [ $status -eq 0 ]; then
    # Every input the corpus holds, under AddressSanitizer; the last one named is the one that failed.
    start=$SECONDS
    if "$replay" "$work/corpus" >"$work/replay.log" 2>&1; then
      echo "fuzz: $target: $(find "$work/corpus" -type f | wc -l) inputs again under AddressSanitizer in" \
        "$((SECONDS - start))s, no findings"
      continue
    fi
    status=1
    artifact="$(sed -n 's/^replay: \(.*\/corpus\/.*\)/\1/p' "$work/replay.log" | tail -n 1)"
    cp "$artifact" "$work/artifacts/" 2>/dev/null || true
    grep -m 1 -A 14 -E "$findings" "$work/replay.log" >&2 ||
      tail -n 30 "$work/replay.log" >&2
    echo "fuzz: $target: the input $artifact fails under AddressSanitizer; full log in $work/replay.log" >&2
    failed+=("$target (replay)")
    continue
  fi
  # The saved input again under AddressSanitizer: a memory error that the fuzzing build only
  # crashed on gets its report there, with its allocation and free stacks.
  report="$log"
  artifact="$(sed -n 's/.*Test unit written to //p' "$log" | tail -n 1)"
  if [ -n "$artifact" ] && [ -f "$artifact" ]; then
    "$replay" "$artifact" >"$work/finding.log" 2>&1 || true
    if grep -qE "$findings" "$work/finding.log"; then
      report="$work/finding.log"
    fi
  fi
  # The first report with the top of its stack, then libFuzzer's verdict and the saved input.
  grep -m 1 -A 14 -E "$findings|ERROR: libFuzzer" "$report" >&2 ||
    tail -n 30 "$report" >&2
  grep -E '^SUMMARY:|Test unit written' "$log" >&2 || true
  echo "fuzz: full log in $log${artifact:+, the finding run again in $work/finding.log}" >&2
  failed+=("$target (exit $status)")
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: FAILED: ${failed[*]}" >&2
  exit 1
fi
echo "fuzz: no findings"
