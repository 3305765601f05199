#!/usr/bin/env bash
# Drives the demo's window with real input (xdotool) on a private X display with a window manager
# (Xvfb, openbox) and takes a screenshot at each step into OUTDIR. In "Demo team", where Bob answers:
# texts typed with no click into the input (the room opened by a click has the keys), a picture
# posted from its preview, the list scrolled up with the wheel and the picture pressed while the
# input has the keys (the list stays, the viewer opens), texts typed after the viewer's Done and
# after Group Info, a poll made with the keyboard alone (Tab to the chatlet button, Space, Return on
# the picker's list, Tab through the form, Return on Send). Then "Sign out" from the window's own
# menu; a sign-up by hand in the login container, typed with no click into its fields, with the
# one-time code read by the README's line pasted as it stands and by the line the demo printed; a
# conversation the new user starts with Bob from the contact picker (the address typed and added with
# Return), its texts and a picture. A text is typed and sent with Return; where Return only adds a
# line, the Send button sends it (the script says which). Coordinates are the window's (400 x 720
# below its menu bar, 19 high), mirrored with -reverse. The screenshots are for a person to look at;
# the script stops at the first step whose result does not come.
# Not part of the test suite: it needs Xvfb, openbox, xdotool, ImageMagick's import and curl, and
# takes about two minutes.
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
# The README's one-time-code line reads the address scripts/demo has the demo write into its build folder.
build_dir=$(cd "$(dirname "$demo")/../.." && pwd)
"$demo" --sandbox "$work/sandbox" --data-dir "$work/data" --address-file "$build_dir/demo-service-address" \
  $reverse >"$out/demo.out" 2>"$out/demo.err" &
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

# send_typed TEXT TOKEN SHOT: types the text where the keys are and presses Return; it must reach the
# service, so the keys were in the input bar.
send_typed() {
  xdotool type --delay 25 "$1"
  xdotool key Return
  wait_for 5 received "$2" || { shot "$3-lost"; fail "typed with no click, not sent: $1"; }
  echo "typed with no click and sent with Return: $1"
}
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

# The window's y of the first row, at the window's x X in screenshot SHOT, showing the posted
# picture's blue (as its JPEG gives it back), from 50 down; nothing when none shows.
picture_row() {
  local x=$2
  if [ -n "$reverse" ]; then x=$((400 - x)); fi
  convert "$out/$1.png" -crop 1x670+$((wx + x))+$((wy + 50)) +repage txt:- |
    awk 'NR > 1 { split($1, p, /[,:]/); gsub(/[()]/, "", $2); split($2, c, ",");
                  if (!found && c[1] < 90 && c[2] > 60 && c[2] < 125 && c[3] > 125 && c[3] < 200) {
                    print p[2] + 50; found = 1 } }'
}
# same_list A B: the list's part of two screenshots (below the bar, above the input) is the same.
same_list() {
  local diff
  diff=$(compare -metric AE -crop 380x560+$((wx + 10))+$((wy + 70)) "$out/$1.png" "$out/$2.png" null: 2>&1 || true)
  [ "${diff%% *}" = 0 ]
}
# The screenshot's colour at the window's point (X mirrored with -reverse).
colour_at() {
  local x=$2
  if [ -n "$reverse" ]; then x=$((400 - x)); fi
  convert "$out/$1.png" -format "%[pixel:p{$((wx + x)),$((wy + $3))}]" info:
}
smart_posts() { pictures; }

sleep 6 # the splash, then the rooms list
shot 01-rooms
at 188 97 # "Demo team"
sleep 1
# Opened by a click, the room has the keys in its text: no click into the input.
send_typed "Hello Bob, typed with no click t1ann" t1ann 02
wait_for 10 printed 'Bob: Seen: "Hello Bob, typed with no click t1ann"' || fail "Bob did not answer"
send_typed "A second line for Bob t2ann" t2ann 03
post_picture 04-ann-picture
wait_for 15 printed "Bob: Nice picture!" || fail "Bob did not answer the picture"
# Back from the picture's preview, the text has the keys again.
send_typed "Typed after the preview t3ann" t3ann 04-after-preview
for n in 4 5 6 7; do send_typed "More words to push the picture up t${n}ann" "t${n}ann" "04-push-$n"; done
sleep 2
shot 05-ann-conversation

# The list scrolled up with the wheel until the picture shows, the input still with the keys; a press
# on the picture leaves the list where it is, and the click opens the viewer.
xdotool mousemove $((wx + 200)) $((wy + 400))
top=
for _ in 1 2 3 4 5 6 7 8 9 10; do
  xdotool click 4
  sleep 0.5
  shot 06-scrolled
  top=$(picture_row 06-scrolled 200)
  if [ -n "$top" ] && [ "$top" -gt 120 ]; then break; fi
done
[ -n "$top" ] || fail "the wheel did not bring the picture into view"
echo "the picture shows from y $top"
px=200
if [ -n "$reverse" ]; then px=200; fi
xdotool mousemove $((wx + px)) $((wy + top + 20)) sleep 0.3 mousedown 1
sleep 0.6
shot 07-pressed
same_list 06-scrolled 07-pressed || fail "the press moved the list"
echo "the press left the list where it was"
xdotool mouseup 1
sleep 1.5
shot 08-viewer
case $(colour_at 08-viewer 200 120) in
  "srgb(0,0,0)") echo "the picture viewer opened" ;;
  *) fail "no viewer after the click on the picture" ;;
esac
at 372 40 # "Done"
sleep 1
send_typed "Typed after the viewer t8ann" t8ann 09-after-viewer

# A pushed page: Group Info and back, the text has the keys again.
at 376 40 # (i)
sleep 1.2
shot 10-group-info
at 60 40 # "‹ Demo team"
sleep 1
send_typed "Typed after Group Info t9ann" t9ann 11-after-info

# A poll with the keyboard alone: Tab from the text to the chatlet button, Space, the picker's list
# has the keys (Return picks "Poll"), the form's first field has them, Tab from field to field and to
# Send, Return on it; back in the room, the text has the keys.
before=$(smart_posts)
xdotool key Tab
sleep 0.3
shot 12-chatlet-button
xdotool key space
sleep 1.2
shot 13-chatlets
xdotool key Return
sleep 1.2
xdotool type --delay 25 "Where shall we eat?"
xdotool key Tab
xdotool type --delay 25 "Lunch on Friday"
xdotool key Tab
xdotool type --delay 25 "Pizza"
xdotool key Tab
xdotool type --delay 25 "Noodles"
sleep 0.3
shot 14-poll-form
xdotool key Tab Tab Tab # "+ Add", the back button, "Send"
sleep 0.3
shot 15-poll-send
xdotool key Return
wait_for 15 more_pictures_than "$before" || { shot 15-poll-lost; fail "the poll was not posted"; }
echo "poll posted with the keyboard alone"
sleep 2
send_typed "Typed after the poll t10ann" t10ann 16-after-poll
sleep 2
shot 17-ann-conversation

# "Sign out" from the window's own menu.
at 34 8 # "Account"
sleep 0.4
shot 18-menu
at 58 29 # "Sign out"
wait_for 10 printed "Signed out." || fail "no sign-out"
sleep 1
shot 19-login

# A sign-up by hand: the e-mail typed with no click (the page's field has the keys), Next, Yes, the
# code read by the README's line and by the line the demo printed, typed with no click, Verify.
xdotool type --delay 25 "carol@demo.test"
at 199 377
sleep 0.6
shot 20-confirm
at 267 422 # "Yes"
sleep 1.5
shot 21-verification
readme_line=$(sed -n 's/^    \(curl "$(cat build\/demo-service-address)_ctl\/otp?email=carol@demo.test"\)$/\1/p' \
  "$(dirname "$0")/../../README.md")
[ -n "$readme_line" ] || fail "no one-time-code line in the README"
[ "$(basename "$build_dir")" = build ] || readme_line=${readme_line//build\//$build_dir/}
echo "pasted: $readme_line"
readme_code=$(cd "$(dirname "$build_dir")" && eval "$readme_line" 2>/dev/null | sed -n 's/.*"otp":"\([0-9]*\)".*/\1/p')
printed_line=$(sed -n 's/^one-time code of a sign-up: //p' "$out/demo.out")
echo "pasted: $printed_line"
code=$(sh -c "$printed_line" 2>/dev/null | sed -n 's/.*"otp":"\([0-9]*\)".*/\1/p')
[ -n "$code" ] && [ "$code" = "$readme_code" ] || fail "the pasted lines gave '$readme_code' and '$code'"
echo "one-time code: $code (both lines)"
xdotool type --delay 40 "$code"
at 199 388
wait_for 20 printed "Signed in" || fail "no sign-in"
sleep 3.5 # the splash
shot 22-new-user-rooms

# The new user starts a conversation with Bob: the picker's field has the keys, Return adds the
# address; then two texts and a picture.
at 373 40
sleep 1
xdotool type --delay 25 "bob@demo.test"
xdotool key Return
sleep 0.6
shot 23-contact
at 199 713
sleep 2
send_typed "Hi Bob, Carol here t3carol" t3carol 24
post_text "And one more t4carol" t4carol 25
post_picture 26-carol-picture
sleep 2
shot 27-carol-conversation

xdotool key alt+F4
wait_for 15 sh -c "! kill -0 $demo_pid 2>/dev/null" || fail "the demo did not end with its window"
wait "$demo_pid" && status=0 || status=$?
echo "the demo exited with $status"
