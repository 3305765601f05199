#!/bin/sh
# Runs the demo host as the README's command does and checks the conversation it prints (the text,
# the uploaded picture with its short address, the answer); then the
# interactive mode with typed lines (the last one without its newline), each of which must come back
# delivered before the demo exits; the address file, and a path it must leave alone.
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

# The README's one-time-code line, pasted while the demo runs (with --address-file, as scripts/demo
# starts it), and the line the demo prints: an address with no code is told so; after a sign-up by
# hand (its first step made here with curl, as the login container's Next makes it) they give its code.
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkfifo "$dir/in" "$dir/out"
"$demo" --interactive --address-file "$dir/address" <"$dir/in" >"$dir/out" &
pid=$!
exec 3>"$dir/in" 4<"$dir/out"
printed=
while IFS= read -r line <&4; do
  case $line in
    "one-time code of a sign-up: "*) printed=${line#one-time code of a sign-up: } ;;
    "Type lines to post"*) break ;;
  esac
done
[ -n "$printed" ] || { echo "missing line: one-time code of a sign-up"; exit 1; }
readme_line() { curl -s -w '\n%{http_code}' "$(cat "$dir/address")_ctl/otp?email=carol@demo.test"; }
answer=$(readme_line)
printf '%s\n' "$answer"
printf '%s\n' "$answer" | tail -n 1 | grep -qx 404 || { echo "an address with no code: not 404"; exit 1; }
printf '%s\n' "$answer" | grep -q 'no code is pending' || { echo "an address with no code: no message"; exit 1; }
curl -s -X POST --data 'v=1.1&method=echat.registerWithOTP&email=carol%40demo.test' \
  "$(cat "$dir/address")api/public?" >/dev/null
answer=$(readme_line)
printf '%s\n' "$answer"
printf '%s\n' "$answer" | head -n 1 | grep -qE '"otp":"[0-9]{6}"' || { echo "the README's line: no code"; exit 1; }
curl -s -X POST --data 'v=1.1&method=echat.registerWithOTP&email=erin%2Btag%40demo.test' \
  "$(cat "$dir/address")api/public?" >/dev/null
curl -s "$(cat "$dir/address")_ctl/otp?email=erin+tag@demo.test" | grep -qE '"otp":"[0-9]{6}"' ||
  { echo "the README's line with a plus in the address: no code"; exit 1; }
answer=$(sh -c "$printed" 2>/dev/null)
printf '%s\n' "$answer" | grep -qE '"otp":"[0-9]{6}"' || { echo "the printed line: no code"; exit 1; }
exec 3>&-
cat <&4 >/dev/null
wait "$pid"
[ ! -e "$dir/address" ] || { echo "the address file outlived the demo"; exit 1; }

# A path that holds anything but an earlier demo's address file is left as it is, and the demo runs on.
printf 'my notes\n' >"$dir/notes"
"$demo" --address-file "$dir/notes" >/dev/null 2>"$dir/err" || { echo "a refused address file ended the demo"; exit 1; }
grep -q "not writing the address file $dir/notes: it holds something other than a service address" "$dir/err" ||
  { echo "a refused address file: no message"; exit 1; }
[ "$(cat "$dir/notes")" = 'my notes' ] || { echo "the demo wrote over a file of other content"; exit 1; }
