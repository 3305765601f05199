#!/bin/sh
# Runs the demo host as the README's command does and checks the conversation it prints (the text,
# the uploaded picture with its short address, the answer); then the
# interactive mode with typed lines (the last one without its newline), each of which must come back
# delivered before the demo exits.
set -eu
demo=$1

expect() { # expect OUTPUT LINE
  printf '%s\n' "$1" | grep -qxF "$2" || { printf 'missing line: %s\n' "$2"; exit 1; }
}

out=$("$demo")
printf '%s\n' "$out"
expect "$out" "ann: Hello Bob, the demo host is up and running."
printf '%s\n' "$out" | grep -qE '^ann: \[Image: image/jpeg 160x120, [0-9.]+ kB, http://127\.0\.0\.1:[0-9]+/s/[0-9a-f]+\]$' ||
  { echo "missing line: the picture"; exit 1; }
expect "$out" "Bob: Got it, thanks Ann!"

out=$(printf 'a typed line\nanother one\nthe last, unterminated' | "$demo" --interactive)
printf '%s\n' "$out"
expect "$out" "ann: a typed line"
expect "$out" "ann: another one"
expect "$out" "ann: the last, unterminated"
