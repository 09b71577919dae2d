#!/usr/bin/env bash
# Runs inside scripts/wine-env.sh: Lumitrax.exe and Keypad.exe from the
# simulator bundle, either for a person (interactive) or as a scripted keypad
# session that saves screenshots (scripted).
#
#   demo-session.sh interactive|scripted SIMULATOR_DIR OUTPUT_DIR
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
shot 01-started

# One key at a time: an event is over once the backlight register is read.
press_and_wait() {
  local key=$1 count=$2 since
  for _ in $(seq "$count"); do
    since=$(keypadctl seq)
    keypadctl press "$key" >/dev/null
    keypadctl wait R 23 --since "$since" --timeout 5000 >/dev/null
  done
}

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
echo "screenshot: $out_dir/05-fade.png (one fade, a frame every 0.4 s, top to bottom)"

echo "controller accesses of this session:"
keypadctl log | grep -v ' G ' | tail -n 40

wine taskkill /IM Lumitrax.exe >/dev/null 2>&1 || true
status=0
wait "$lumitrax_pid" || status=$?
echo "Lumitrax ended with status $status"
kill "$keypad_pid" 2>/dev/null || true
wait "$keypad_pid" 2>/dev/null || true
