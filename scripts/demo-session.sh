#!/usr/bin/env bash
# Runs inside scripts/wine-env.sh: Lumitrax.exe and Keypad.exe from the
# simulator bundle, either for a person (interactive), as a scripted keypad
# session that saves screenshots (scripted), or showing the panel in both
# arrangements at the prefix's display scale (panel: panel-<percent>-*.png).
#
#   demo-session.sh interactive|scripted|panel SIMULATOR_DIR OUTPUT_DIR
set -euo pipefail
mode=$1
cd "$2"
out_dir=$3
keypadctl() { wine keypadctl.exe "$@"; }

if [ "$mode" = interactive ]; then
  wine Keypad.exe &
  echo "Lumitrax runs in the Wine desktop; press keys in the Keypad window."
  echo "It ends when Lumitrax is closed (wine taskkill /IM Lumitrax.exe) or on Ctrl-C."
  wine Lumitrax.exe
  exit 0
fi

shot() {
  import -window root "$out_dir/$1.png"
  echo "screenshot: $out_dir/$1.png"
}

# The keypad window holds the controller block for the whole session.
wine Keypad.exe &
keypad_pid=$!
wine Lumitrax.exe &
lumitrax_pid=$!
keypadctl wait G any --timeout 60000 >/dev/null

# One key at a time: an event is over once the backlight register is read.
press_and_wait() {
  local key=$1 count=$2 since
  for _ in $(seq "$count"); do
    since=$(keypadctl seq)
    keypadctl press "$key" >/dev/null
    keypadctl wait R 23 --since "$since" --timeout 5000 >/dev/null
  done
}

stop() {
  wine taskkill /IM Lumitrax.exe >/dev/null 2>&1 || true
  status=0
  wait "$lumitrax_pid" || status=$?
  echo "Lumitrax ended with status $status"
  kill "$keypad_pid" 2>/dev/null || true
  wait "$keypad_pid" 2>/dev/null || true
}

# The panel's interior colour, which every scale shows exactly.
panel_colour='rgb(0,66,74)'

# Waits, at most 10 s, until the panel stands painted in the part CROP of
# the desktop: its interior colour shows there, two captures a tenth of a
# second apart are alike and, when a picture BEFORE is given, they differ
# from it (the panel has changed since). Leaves the capture in OUT.
#   wait_painted CROP OUT [BEFORE]
wait_painted() {
  local crop=$1 out=$2 before=${3:-} last="$out_dir/.capture-last.png"
  rm -f "$last"
  for _ in $(seq 100); do
    import -window root -crop "$crop" +repage "$out"
    if [ -f "$last" ] && compare -metric AE "$out" "$last" null: 2>/dev/null &&
      [ "$(convert "$out" -fill black +opaque "$panel_colour" -format '%[max]' info:)" != 0 ] &&
      { [ -z "$before" ] || ! compare -metric AE "$out" "$before" null: 2>/dev/null; }; then
      rm -f "$last"
      return 0
    fi
    cp "$out" "$last"
    sleep 0.1
  done
  rm -f "$last"
  echo "demo-session: the panel was not painted within 10 s" >&2
  return 1
}

if [ "$mode" = panel ]; then
  # The lower part of the desktop, where the panel stands above the tray.
  read -r desk_w desk_h < <(xdotool getdisplaygeometry)
  percent=$((LUMITRAX_WINE_DPI * 100 / 96))
  xdotool mousemove 40 40
  before=
  for key in bright+ vol+; do
    press_and_wait "$key" 1
    name="panel-$percent-$([ "$key" = bright+ ] && echo brightness || echo volume)"
    wait_painted "${desk_w}x260+0+$((desk_h - 260))" "$out_dir/$name.png" ${before:+"$before"} ||
      { stop; exit 1; }
    before="$out_dir/$name.png"
    echo "screenshot at $percent %: $out_dir/$name.png"
  done
  stop
  exit 0
fi
shot 01-started

xdotool mousemove 40 300 # off the panel, so that it fades when left alone
press_and_wait vol+ 3
shot 02-volume-up
press_and_wait bright- 2
shot 03-brightness-down
press_and_wait mute 1
shot 04-muted-above-the-tray

# One fade, frame by frame: the last key showed the panel again, so its hide
# check runs; it fades out from 2.2 s on and is gone at 5.2 s.
for frame in $(seq -w 0 13); do
  import -window root -crop 560x100+464+660 +repage "$out_dir/fade-$frame.png"
  sleep 0.4
done
convert "$out_dir"/fade-*.png -append "$out_dir/05-fade.png"
rm -f "$out_dir"/fade-*.png
# (Wine's virtual desktop draws no window opacity, so the frames show the
# panel until it is hidden; the end-to-end tests measure the opacity steps.)
echo "screenshot: $out_dir/05-fade.png (one fade, a frame every 0.4 s, top to bottom)"

# The tray menu with its Environment submenu, opened at the tray icon (the
# last slot of the notification area); then its About item.
read -r desk_w desk_h < <(xdotool getdisplaygeometry)
icon_x=$((desk_w - 12))
icon_y=$((desk_h - 10))
xdotool mousemove "$icon_x" "$icon_y" click 3
sleep 0.5
# The menu opens up and left of the cursor: About, then Environment.
xdotool mousemove $((icon_x - 60)) $((icon_y - 21)) click 1
sleep 0.7
shot 06-tray-menu
xdotool mousemove $((icon_x - 60)) $((icon_y - 39)) click 1
sleep 1
shot 07-about-box
xdotool key Return
sleep 0.3

# The firmware box: Ctrl+F3 on the panel, shown by a key.
press_and_wait vol+ 1
sleep 0.3
xdotool key ctrl+F3
sleep 1
shot 08-firmware-box
xdotool key Return

echo "controller accesses of this session:"
keypadctl log | grep -v ' G ' | tail -n 40

stop
