#!/usr/bin/env bash
# Drives the demo's window with real input (xdotool) on a private X display with a window manager
# (Xvfb, openbox) and takes a screenshot at each step into OUTDIR: a text and a picture in "Demo
# team", where Bob answers; "Sign out" from the window's own menu; a sign-up by hand in the login
# container with the one-time code read with curl at the address the demo printed; a conversation the
# new user starts with Bob, its texts and a picture. A text is typed and sent with Return; where
# Return only adds a line, the Send button sends it (the script says which). Coordinates are the
# window's (400 x 720 below its menu bar, 19 high), mirrored with -reverse. The screenshots are for a person
# to look at; the script stops at the first step whose result does not come.
# Not part of the test suite: it needs Xvfb, openbox, xdotool, ImageMagick's import and curl, and
# takes about a minute.
#
# usage: drive-demo-window.sh DEMO OUTDIR [-reverse]
set -euo pipefail
demo=$1
out=$2
reverse=${3:-}
mkdir -p "$out"
rm -f "$out"/*.png "$out"/demo.out "$out"/demo.err

pids=()
work=$(mktemp -d)
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# A display of its own, whatever other servers run.
Xvfb -displayfd 5 -screen 0 1024x900x24 -nolisten tcp 5>"$out/display" 2>"$out/xvfb.err" &
pids+=($!)
for _ in $(seq 50); do [ -s "$out/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$out/display")
openbox >/dev/null 2>&1 &
pids+=($!)
export XDG_RUNTIME_DIR=$out/xdg
mkdir -p "$XDG_RUNTIME_DIR" && chmod 0700 "$XDG_RUNTIME_DIR"
"$demo" --sandbox "$work/sandbox" --data-dir "$work/data" $reverse >"$out/demo.out" 2>"$out/demo.err" &
demo_pid=$!
pids+=($demo_pid)

fail() { echo "FAILED: $*"; exit 1; }
# wait_for SECONDS COMMAND...: until the command succeeds.
wait_for() {
  local limit=$(($1 * 10)); shift
  for ((n = 0; n < limit; n++)); do "$@" && return 0; sleep 0.1; done
  return 1
}
printed() { grep -qF -- "$1" "$out/demo.out" 2>/dev/null; }
wait_for 60 printed -- "--- conversation ---" || fail "the demo did not sign in"
service=$(sed -n 's/^stand-in service: //p' "$out/demo.out")
echo "stand-in service: $service"
window() { xdotool search --name '^Pelnix demo$' | head -1; }
wait_for 20 window >/dev/null || fail "no window"
win=$(window)
xdotool windowactivate --sync "$win"
origin() { xwininfo -id "$win" | sed -n "s/.*Absolute upper-left $1: *//p"; }
wx=$(origin X)
wy=$(origin Y)
echo "window $win at $wx,$wy"

shot() { import -window root "$out/$1.png"; echo "screenshot $1.png"; }
# at X Y: a click at the window's point (its menu bar included), X mirrored with -reverse.
at() {
  local x=$1
  if [ -n "$reverse" ]; then x=$((400 - x)); fi
  xdotool mousemove $((wx + x)) $((wy + $2)) sleep 0.15 click 1
  sleep 0.4
}
# The posts the stand-in received, to tell whether a text or a picture went.
received() { curl -s "${service}_ctl/log" | grep -q "$1"; }
pictures() { curl -s "${service}_ctl/log" | { grep -o 'type=smartmessage' || true; } | wc -l; }
more_pictures_than() { test "$(pictures)" -gt "$1"; }

# post_text TEXT TOKEN: types the text in the input bar and presses Return; Send if Return did not.
post_text() {
  at 188 715
  xdotool type --delay 25 "$1"
  xdotool key Return
  if wait_for 3 received "$2"; then
    echo "sent with Return: $1"
  else
    shot "$3-return"
    at 372 716
    wait_for 10 received "$2" || fail "the text was not sent: $1"
    echo "Return added a line; sent with Send: $1"
  fi
}
# post_picture NAME: the paperclip, "Choose Existing Photo or Video", the file dialog, Done.
post_picture() {
  local before
  before=$(pictures)
  at 374 716
  shot "$1-sheet"
  at 199 546
  wait_for 10 xdotool search --name '^Open$' >/dev/null || fail "no file dialog"
  sleep 0.5
  shot "$1-dialog"
  xdotool type --delay 10 "$picture"
  xdotool key Return
  sleep 1.5
  shot "$1-preview"
  at 346 717 # "Done"
  wait_for 20 more_pictures_than "$before" || fail "the picture was not posted"
  echo "picture posted"
}
picture=$work/picture.png
convert -size 320x240 xc:'#2a5aa0' -fill '#f0c83c' -draw 'circle 160,120 160,50' "$picture"

sleep 6 # the splash, then the rooms list
shot 01-rooms
at 188 97 # "Demo team"
sleep 1
post_text "Hello Bob, typed by hand t1ann" t1ann 02
wait_for 10 printed 'Bob: Seen: "Hello Bob, typed by hand t1ann"' || fail "Bob did not answer"
post_text "A second line for Bob t2ann" t2ann 03
post_picture 04-ann-picture
wait_for 15 printed "Bob: Nice picture!" || fail "Bob did not answer the picture"
sleep 2
shot 05-ann-conversation

# "Sign out" from the window's own menu.
at 34 8 # "Account"
sleep 0.4
shot 06-menu
at 58 29 # "Sign out"
wait_for 10 printed "Signed out." || fail "no sign-out"
sleep 1
shot 07-login

# A sign-up by hand: the e-mail, Next, Yes, the code from the control API, Verify.
at 199 274
xdotool type --delay 25 "carol@demo.test"
at 199 377
sleep 0.6
shot 08-confirm
at 267 422 # "Yes"
sleep 1.5
shot 09-verification
code=$(curl -s "${service}_ctl/otp?email=carol@demo.test" | sed -n 's/.*"otp":"\([0-9]*\)".*/\1/p')
echo "one-time code: $code"
at 199 327
xdotool type --delay 40 "$code"
at 199 388
wait_for 20 printed "Signed in" || fail "no sign-in"
sleep 3.5 # the splash
shot 10-new-user-rooms

# The new user starts a conversation with Bob, posts two texts and a picture.
at 373 40
sleep 1
at 138 87
xdotool type --delay 25 "bob@demo.test"
at 378 87 # the field's add button
sleep 0.6
shot 11-contact
at 199 713
sleep 2
post_text "Hi Bob, Carol here t3carol" t3carol 12
post_text "And one more t4carol" t4carol 13
post_picture 14-carol-picture
sleep 2
shot 15-carol-conversation

xdotool key alt+F4
wait_for 15 sh -c "! kill -0 $demo_pid 2>/dev/null" || fail "the demo did not end with its window"
wait "$demo_pid" && status=0 || status=$?
echo "the demo exited with $status"
