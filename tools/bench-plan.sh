#!/usr/bin/env bash
# Times QvCheck.exe /plan against the run it describes, QvUninst.exe /s, under Wine, on a product
# of N files named in one [deletefile] list, and prints the table of the two:
#
#   tools/bench-plan.sh                 N = 2500, 5000 and 10000, three runs of each command
#   tools/bench-plan.sh 5000 20000      other sizes
#   BENCH_RUNS=5 tools/bench-plan.sh    more runs (the table gives each command's median)
#
# Each run gets a fresh copy of the pristine prefix with the product laid out in C:\Bench, and a
# warm Wine session: the session is started and a first program has run before the clock starts,
# so that the figures are the programs' own and not Wine's start-up. The plan's output goes to a
# file (build/<preset>/bench/plan-N.txt, the last run's), the run's log stays in its prefix. The
# machine's load is printed with the table: figures taken under other load are not comparable.
# A benchmark, not a test: it judges nothing, and its exit code only says whether it could run.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(2500 5000 10000)
for n in "${sizes[@]}"; do
  [[ "$n" =~ ^[1-9][0-9]*$ ]] || { echo "bench-plan: a size is a whole number above 0, not '$n'" >&2; exit 2; }
done
runs=${BENCH_RUNS:-3}
[[ "$runs" =~ ^[1-9][0-9]*$ ]] || { echo "bench-plan: BENCH_RUNS is a whole number above 0" >&2; exit 2; }

eval "$(bash tests/wine/mode.sh)"
echo "wine: $QV_WINE_WHY"
build=${BUILD_DIR:-build/$QV_PRESET}
cmake --preset "$QV_PRESET" -B "$build" >/dev/null
cmake --build "$build" -j2 --target QvUninst QvCheck >/dev/null
pristine=${QV_WINE_PRISTINE:-$build/wine/pristine}
tests/wine/make_prefix.sh "$pristine" "$QV_WINE_MODE"
bench="$root/$build/bench"
mkdir -p "$bench"

export WINEDEBUG=-all LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8 WINEDLLOVERRIDES="winemenubuilder.exe=d"
unset DISPLAY

# The product of n files, laid out once: its files and its script, in code page 932 with CR LF.
product() {
  local n=$1 dir="$bench/product-$1"
  [ -f "$dir/.done" ] && return
  rm -rf "$dir" && mkdir -p "$dir/files"
  {
    printf '//QV-Uninstaller\r\n[deletefile]\r\n'
    for ((i = 1; i <= n; i++)); do printf 'File%05d.txt\r\n' "$i"; done
    printf 'end;\r\n'
  } >"$dir/files/Uninst.inf"
  (cd "$dir/files" && for ((i = 1; i <= n; i++)); do printf 'file %d\n' "$i" >"File$(printf %05d "$i").txt"; done)
  touch "$dir/.done"
}

# One timed run of the program with its arguments in a fresh prefix; prints "seconds exit-code".
timed() {
  local n=$1 exe=$2 args=$3 out=$4 case_dir prefix start end code
  case_dir=$(mktemp -d "$bench/run-XXXXXX")
  prefix="$case_dir/prefix"
  /usr/bin/python3 -c 'import sys; sys.path.insert(0, "tests/e2e"); from pathlib import Path; from harness import copy_prefix; copy_prefix(Path(sys.argv[1]), Path(sys.argv[2]))' \
    "$pristine" "$prefix"
  cp -r "$bench/product-$n/files" "$prefix/drive_c/Bench"
  cp "$build/QvUninst.exe" "$build/QvCheck.exe" "$prefix/drive_c/windows/"
  export WINEPREFIX="$prefix"
  "$WINESERVER" -p
  "$WINELOADER" 'C:\windows\QvCheck.exe' >/dev/null 2>&1 || true  # the warm-up: prints its usage
  start=$(date +%s.%N)
  code=0
  "$WINELOADER" "C:\\windows\\$exe" $args >"$out" 2>/dev/null || code=$?
  end=$(date +%s.%N)
  "$WINESERVER" -k 2>/dev/null || true
  "$WINESERVER" -w 2>/dev/null || true
  rm -rf "$case_dir"
  echo "$(echo "$end - $start" | bc) $code"
}

median() { printf '%s\n' "$@" | sort -g | awk '{a[NR] = $1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores; $runs runs of each command per size"
echo " files   run (s)  plan (s)  plan/run  exit codes (each run's seconds)"
for n in "${sizes[@]}"; do
  product "$n"
  run_times=() plan_times=() codes=""
  for ((r = 1; r <= runs; r++)); do
    read -r t c < <(timed "$n" QvUninst.exe '/s C:\Bench\' /dev/null)
    run_times+=("$t") codes+=" run:$c"
    read -r t c < <(timed "$n" QvCheck.exe '/plan C:\Bench\' "$bench/plan-$n.txt")
    plan_times+=("$t") codes+=" plan:$c"
  done
  run=$(median "${run_times[@]}") plan=$(median "${plan_times[@]}")
  printf '%6d  %7.2f  %7.2f  %5.2f  %s (run %s; plan %s)\n' "$n" "$run" "$plan" "$(echo "$plan / $run" | bc -l)" \
    "$(echo "$codes" | tr ' ' '\n' | sort -u | tr '\n' ' ')" "${run_times[*]}" "${plan_times[*]}"
done
echo "load after:  $(cut -d' ' -f1-3 /proc/loadavg)"
