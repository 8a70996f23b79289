#!/usr/bin/env bash
# Fuzzes every target (or the named ones) for the given seconds each, two at a time on two cores,
# then merges each target's corpus so that it keeps only the inputs that add coverage:
#
#   tools/fuzz-long.sh 3600                 every target for an hour each (five targets: three hours)
#   tools/fuzz-long.sh 600 script plan      the named ones
#
# Each target runs through tools/fuzz.sh (its saved reproducers, the fuzzing, then its corpus again
# under AddressSanitizer), with its log in build/fuzz/work/<target>/long.log. One line per target:
# its runs, its runs per second, its findings (the inputs saved in build/fuzz/work/<target>/artifacts/)
# and its corpus before and after the merge (libFuzzer's -merge=1 into a fresh folder, which then replaces the corpus).
# Exit code 1 when any target found something.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
[ $# -ge 1 ] && [[ "$1" =~ ^[1-9][0-9]*$ ]] || { echo "usage: tools/fuzz-long.sh SECONDS [target...]" >&2; exit 2; }
seconds=$1
shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(command_line script date_picture checker plan)

tools/fuzz.sh --build
for target in "${targets[@]}"; do
  [ -x "build/fuzz/tests/fuzz/fuzz_$target" ] || { echo "fuzz-long: no target $target" >&2; exit 2; }
  mkdir -p "build/fuzz/work/$target"
done

# Files and bytes of a corpus.
size() { echo "$(find "$1" -type f | wc -l) files, $(du -sk "$1" | cut -f1) KB"; }

echo "fuzz-long: ${#targets[@]} targets, ${seconds}s each, two at a time; load $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%s\n' "${targets[@]}" |
  FUZZ_BUILT=1 xargs -P 2 -I{} sh -c 'tools/fuzz.sh --seconds "$1" "$2" >"build/fuzz/work/$2/long.log" 2>&1 || true' \
    sh "$seconds" {}

found=0
for target in "${targets[@]}"; do
  work="build/fuzz/work/$target"
  summary="$(grep -E "^fuzz: $target: [0-9?]+ runs" "$work/long.log" | tail -n 1 || true)"
  [ -n "$summary" ] || summary="$(grep -E '^fuzz: ' "$work/long.log" | tail -n 1 || true)"
  findings=$(find "$work/artifacts" -type f 2>/dev/null | wc -l)
  grep -q 'FAILED' "$work/long.log" && [ "$findings" -eq 0 ] && findings="1 (see $work/long.log)"
  [ "$findings" = 0 ] || found=1
  before="$(size "$work/corpus")"
  rm -rf "$work/merged" && mkdir -p "$work/merged"
  if "build/fuzz/tests/fuzz/fuzz_$target" -merge=1 -timeout=5 -rss_limit_mb=2048 "$work/merged" "$work/corpus" \
    >"$work/merge.log" 2>&1; then
    rm -rf "$work/corpus" && mv "$work/merged" "$work/corpus"
    after="$(size "$work/corpus")"
  else
    rm -rf "$work/merged"
    after="not merged (see $work/merge.log)"
  fi
  echo "${summary#fuzz: }; findings: $findings; corpus $before -> $after"
done
exit $found
