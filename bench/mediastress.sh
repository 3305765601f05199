#!/bin/bash
# Runs bench_mediastress until <total> answers were had in <mode>, beside two busy loops, and counts
# the freezes and crashes (each freeze ends one run; the next run goes on from there). With <per run> 1 every
# answer is a fresh process, as in a test run. A frozen run leaves where its threads stood in
# mediastress-freeze-<pid>.txt in the current folder; "missing" counts the answers that came without a
# picture (for the player: a load that failed, or an engine given up). In player mode each run also tells
# its threads, descriptors and memory after its first loads and its last, and after engines stuck in a
# load were given up; "checks" counts the runs' failed checks (growth past the allowance).
#   bench/mediastress.sh <build dir> <mode> <video> [total] [per run]
set -u
build=$1 mode=$2 video=$3 total=${4:-1000} perrun=${5:-1000}
export QT_QPA_PLATFORM=offscreen
busy=()
for _ in 1 2; do
  (while :; do :; done) &
  busy+=($!)
done
trap 'kill "${busy[@]}" 2>/dev/null' EXIT
answers=0 freezes=0 crashes=0 runs=0 missing=0 checks=0
while [ "$answers" -lt "$total" ]; do
  out=$("$build/bench/bench_mediastress" "$mode" "$video" $(( total - answers < perrun ? total - answers : perrun )) 2>/dev/null)
  runs=$((runs + 1))
  if line=$(grep -m1 '^FREEZE' <<<"$out"); then
    freezes=$((freezes + 1))
    answers=$((answers + $(sed 's/.*after \([0-9]*\) answers/\1/' <<<"$line")))
    echo "$line"
  else
    got=$(sed -n 's/.*answers=\([0-9]*\) pictures=[0-9]* missing=\([0-9]*\) failed=\([0-9]*\).*/\1 \2 \3/p' <<<"$out" | tail -1)
    if [ -z "$got" ]; then
      # Ended without its summary (a crash): counted, and as one answer so that the loop ends.
      crashes=$((crashes + 1))
      answers=$((answers + 1))
      echo "CRASH mode=$mode run $runs"
      continue
    fi
    [ "$perrun" -gt 1 ] && grep -v '^FREEZE' <<<"$out"
    read -r got_answers got_missing got_failed <<<"$got"
    answers=$((answers + got_answers))
    missing=$((missing + got_missing))
    checks=$((checks + got_failed))
  fi
done
echo "mode=$mode answers=$answers runs=$runs freezes=$freezes crashes=$crashes missing=$missing checks=$checks"
