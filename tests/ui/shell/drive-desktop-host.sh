#!/usr/bin/env bash
# Drives the desktop walk's host window (a QMainWindow with a line edit of its own, the rooms list in a
# splitter under tabs and a conversation in a dock) with real input (xdotool) on a private X display
# with a window manager (Xvfb, openbox), and checks what the user would see, by what the stand-in
# service received and where the host says the keys are:
# - letters typed straight after a page change (Group Info opened and left by its back button, the
#   chatlet picker opened and closed at once with Escape) land in the conversation's text, in order;
# - a double click on a back button pops one page;
# - Return held on a blank text leaves its question ("Enter valid message.") open; held on a back
#   button, it pops once and sends nothing of the draft;
# - the conversation floated with its dock, shown as a window of its own, closed by the window manager
#   and put back in the dock: no crash, and its text has the keys again.
# A screenshot of each step goes to OUTDIR. Not part of the test suite: it needs Xvfb, openbox,
# xdotool, ImageMagick's import and curl, and takes about a minute.
#
# usage: drive-desktop-host.sh WALK_TEST_BINARY OUTDIR [-reverse]
set -euo pipefail
program=$1
out=$2
reverse=${3:-}
mkdir -p "$out"
rm -f "$out"/*.png "$out"/host.out "$out"/host.err

pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
}
trap cleanup EXIT

Xvfb -displayfd 5 -screen 0 1280x900x24 -nolisten tcp 5>"$out/display" 2>"$out/xvfb.err" &
pids+=($!)
for _ in $(seq 50); do [ -s "$out/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$out/display")
openbox >/dev/null 2>&1 &
pids+=($!)
export XDG_RUNTIME_DIR=$out/xdg
mkdir -p "$XDG_RUNTIME_DIR" && chmod 0700 "$XDG_RUNTIME_DIR"
QT_QPA_PLATFORM=xcb PELNIX_WALK_HOST=1 stdbuf -oL "$program" $reverse >"$out/host.out" 2>"$out/host.err" &
host_pid=$!
pids+=($host_pid)

fail() { echo "FAILED: $*"; exit 1; }
wait_for() {
  local limit=$(($1 * 10)); shift
  for ((n = 0; n < limit; n++)); do "$@" && return 0; sleep 0.1; done
  return 1
}
printed() { grep -qF -- "$1" "$out/host.out" 2>/dev/null; }
wait_for 60 printed "desktop host ready" || fail "the host did not start"
service=$(sed -n 's/^stand-in service: //p' "$out/host.out")
point() { sed -n "s/^$1 at //p" "$out/host.out" | head -1 | tr ',' ' '; }
read -r text_x text_y < <(point "conversation text")
read -r chatlet_x chatlet_y < <(point "conversation chatlet button")
read -r leading_x leading_y < <(point "conversation bar cancelButton")
read -r info_x info_y < <(point "conversation bar navigationBar.right.0")
shot() { import -window root "$out/$1.png"; echo "screenshot $1.png"; }
alive() { kill -0 "$host_pid" 2>/dev/null || fail "the host crashed (see $out/host.err)"; }
click() { xdotool mousemove "$1" "$2" sleep 0.1 click 1; }
keys() { grep '^keys in ' "$out/host.out" | tail -1; }
received() { curl -s "${service}_ctl/log" | grep -q "text=$1"; }
type_and_send() { xdotool type --delay 40 "$1"; xdotool key Return; }
check_sent() {
  wait_for 10 received "$1" || fail "\"$1\" was not sent (keys: $(keys))"
  echo "sent \"$1\""
}

# The conversation's text, clicked: a text typed and sent with Return.
click "$text_x" "$text_y"
type_and_send one
check_sent one
shot 01-sent

# Group Info opened and left by its back button at once: the letters typed during the slides land in
# the text.
click "$info_x" "$info_y"
sleep 0.05
click "$leading_x" "$leading_y"
type_and_send two
check_sent two
shot 02-typed-during-the-slides

# A double click on Group Info's back button pops one page: the conversation, not what lies under its
# own bar's leading button.
click "$info_x" "$info_y"
sleep 0.8
xdotool mousemove "$leading_x" "$leading_y" sleep 0.1 click --repeat 2 --delay 80 1
sleep 0.8
alive
shot 03-double-click-on-back
type_and_send three
check_sent three

# Return held on a blank text: its question stays open through the repeats; a new press answers it.
xdotool type --delay 40 "   "
xdotool keydown Return
sleep 1.2
xdotool keyup Return
sleep 0.3
shot 04-held-return-on-a-blank-text
keys | grep -q 'alert.button' || fail "the question did not keep the keys (keys: $(keys))"
xdotool key Return
sleep 0.3
type_and_send four
check_sent four

# Return held on the back button of Group Info with a draft in the text: one page popped, nothing sent.
xdotool type --delay 40 "draft"
click "$info_x" "$info_y"
sleep 0.8
for _ in $(seq 40); do
  keys | grep -q 'navigationBar.back' && break
  xdotool key Tab
  sleep 0.1
done
keys | grep -q 'navigationBar.back' || fail "Tab did not reach the back button"
xdotool keydown Return
sleep 0.8
xdotool keyup Return
sleep 0.5
shot 05-held-return-on-back
keys | grep -q 'messageTextView' || fail "the text does not have the keys after the back button (keys: $(keys))"
! received draft || fail "the draft was sent by the held key's repeats"
echo "the draft stayed"
xdotool key ctrl+a BackSpace

# The chatlet picker opened and closed at once with Escape: the letters typed next land in the text.
click "$chatlet_x" "$chatlet_y"
xdotool key Escape
type_and_send five
check_sent five
shot 06-picker-dismissed-at-once

# The host's moves, from its menu: the dock floated, the conversation alone, closed by the window
# manager, and put back in the dock. Its text has the keys again each time.
xdotool key alt+h f
sleep 1
alive
shot 07-dock-floated
type_and_send six
check_sent six
xdotool key alt+h f
sleep 1
xdotool key alt+h a
sleep 1
alive
shot 08-conversation-alone
# The window manager closes the active window, the conversation's own, on Alt+F4.
xdotool key alt+F4
sleep 1
alive
main=$(xdotool search --name '^Pelnix desktop host$' | head -1)
xdotool windowactivate --sync "$main"
xdotool key alt+h d
sleep 1
alive
shot 09-closed-and-put-back
click "$text_x" "$text_y"
type_and_send seven
check_sent seven
echo "all checks passed"
