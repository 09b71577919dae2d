#!/usr/bin/env bash
# Runs a command inside an isolated Wine environment and cleans up afterwards.
#
#   scripts/wine-env.sh [options] -- COMMAND [ARGS...]
#
# The environment: a Wine prefix of the chosen architecture (32-bit where the
# host runs 32-bit programs, else 64-bit; see --arch) whose programs all live in one virtual
# desktop, a persistent wineserver (so many short `wine X.exe` calls are fast),
# an X display (a private Xvfb when asked for or when DISPLAY is unset) and,
# optionally, a private PulseAudio with a null sink so that Wine's winmm mixer
# finds a device. COMMAND itself runs natively (it is typically ctest or a
# script that calls `wine X.exe` many times) with WINEPREFIX, WINEARCH,
# WINEDEBUG, DISPLAY, LUMITRAX_WINE_ENV=1, LUMITRAX_WINE_ARCH (win32 or win64),
# LUMITRAX_WINE_LOADER, LUMITRAX_WINE_DPI (and XDG_RUNTIME_DIR with --pulse)
# exported, and a
# `wine` of the chosen architecture first on PATH. The exit status is
# COMMAND's; everything started here is stopped again on exit, on errors and
# on Ctrl-C.

# Functions called through wait_until and the traps look unreachable to shellcheck:
# shellcheck disable=SC2317
set -euo pipefail

usage() {
  cat <<'EOF'
usage: scripts/wine-env.sh [options] -- COMMAND [ARGS...]

options:
  --arch win32|win64
                    the Wine architecture: win32 runs the 32-bit build under
                    32-bit Wine, win64 the 64-bit build under 64-bit Wine.
                    Default: scripts/host-arch.sh's choice (win32 where the
                    host runs 32-bit programs; LUMITRAX_WIN_ARCH overrides).
  --prefix DIR      use (and keep) this Wine prefix; created on first use,
                    reused quickly afterwards; runs on one prefix take turns.
                    It must be of the chosen architecture.
                    Default: a fresh temporary prefix, removed afterwards.
  --desktop WxH     size of the virtual desktop (default 1024x768); a private
                    Xvfb gets a screen of the same size.
  --xvfb            start a private Xvfb even when DISPLAY is set
                    (one is started anyway when DISPLAY is unset).
  --pulse           start a private PulseAudio with a null sink (without it
                    COMMAND runs with Wine's sound drivers unloaded).
  --winxp           make the prefix report Windows XP (5.1) instead of 7 (6.1).
  --dpi N           the display scale of the prefix: its LogPixels, in dots
                    per inch (96 is 100 %, 144 is 150 %; default 96). Set
                    before any program starts; a prefix changed from one
                    scale to another is set up again (give each scale its own
                    --prefix to avoid that).
  --winedebug SPEC  WINEDEBUG for COMMAND (default: $WINEDEBUG, else -all).
  -v, --verbose     report each step with its time on stderr.
  -h, --help        show this help.

environment:
  TMPDIR                         where temporary prefixes and logs go (/tmp).
  LUMITRAX_WINE_BOOT_TIMEOUT     seconds allowed for creating a prefix (240).
  LUMITRAX_WINE_LOCK_TIMEOUT     seconds to wait for a busy --prefix (900).
EOF
}

# ---------------------------------------------------------------- options ---

arch=""
prefix_arg=""
desktop="1024x768"
want_xvfb=0
want_pulse=0
want_winxp=0
dpi=96
winedebug="${WINEDEBUG:--all}"
verbose=0

while [ $# -gt 0 ]; do
  case "$1" in
    --arch) [ $# -ge 2 ] || { usage >&2; exit 2; }; arch="$2"; shift 2 ;;
    --arch=*) arch="${1#*=}"; shift ;;
    --prefix) [ $# -ge 2 ] || { usage >&2; exit 2; }; prefix_arg="$2"; shift 2 ;;
    --prefix=*) prefix_arg="${1#*=}"; shift ;;
    --desktop) [ $# -ge 2 ] || { usage >&2; exit 2; }; desktop="$2"; shift 2 ;;
    --desktop=*) desktop="${1#*=}"; shift ;;
    --xvfb) want_xvfb=1; shift ;;
    --pulse) want_pulse=1; shift ;;
    --winxp) want_winxp=1; shift ;;
    --dpi) [ $# -ge 2 ] || { usage >&2; exit 2; }; dpi="$2"; shift 2 ;;
    --dpi=*) dpi="${1#*=}"; shift ;;
    --winedebug) [ $# -ge 2 ] || { usage >&2; exit 2; }; winedebug="$2"; shift 2 ;;
    --winedebug=*) winedebug="${1#*=}"; shift ;;
    -v|--verbose) verbose=1; shift ;;
    -h|--help) usage; exit 0 ;;
    --) shift; break ;;
    -*) echo "wine-env: unknown option $1" >&2; usage >&2; exit 2 ;;
    *) break ;;
  esac
done
if [ $# -eq 0 ]; then
  echo "wine-env: no command given" >&2
  usage >&2
  exit 2
fi
if ! [[ "$desktop" =~ ^([1-9][0-9]{2,4})x([1-9][0-9]{2,4})$ ]]; then
  echo "wine-env: --desktop wants WIDTHxHEIGHT, got '$desktop'" >&2
  exit 2
fi
desk_w="${BASH_REMATCH[1]}"
desk_h="${BASH_REMATCH[2]}"
if ! [[ "$dpi" =~ ^[1-9][0-9]{1,2}$ ]] || [ "$dpi" -lt 48 ] || [ "$dpi" -gt 480 ]; then
  echo "wine-env: --dpi wants dots per inch from 48 to 480, got '$dpi'" >&2
  exit 2
fi

boot_timeout="${LUMITRAX_WINE_BOOT_TIMEOUT:-240}"
lock_timeout="${LUMITRAX_WINE_LOCK_TIMEOUT:-900}"

for tool in wineserver timeout flock xdotool; do
  command -v "$tool" >/dev/null 2>&1 ||
    { echo "wine-env: '$tool' is missing (run scripts/install-deps.sh)" >&2; exit 2; }
done

# The architecture: asked of the host by running a 32-bit program, so that a
# host without 32-bit support gets a clear message instead of a Wine that
# cannot start.
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "$arch" ]; then
  arch=$("$here/host-arch.sh") || exit 2
fi
case "$arch" in
  win32)
    LUMITRAX_WIN_ARCH=win32 "$here/host-arch.sh" >/dev/null 2>&1 ||
      { echo "wine-env: --arch win32: this host runs no 32-bit programs, so 32-bit Wine cannot start here; use --arch win64" >&2; exit 2; }
    [ -x /usr/lib/wine/wine ] ||
      { echo "wine-env: --arch win32: 32-bit Wine (wine32:i386) is missing (run scripts/install-deps.sh)" >&2; exit 2; }
    ;;
  win64)
    [ -x /usr/lib/wine/wine64 ] ||
      { echo "wine-env: --arch win64: 64-bit Wine (wine64) is missing (run scripts/install-deps.sh)" >&2; exit 2; }
    ;;
  *) echo "wine-env: --arch wants win32 or win64, got '$arch'" >&2; exit 2 ;;
esac

# ---------------------------------------------------------------- helpers ---

# The caller's stdout and stderr, kept for the cleanup: a signal can arrive
# while a redirection of a function call is in effect. Children do not get
# these copies (nor fd 8, COMMAND's stdin, nor fd 9, the prefix lock), so that
# no daemon holds the caller's pipes or the lock open.
exec 5>&1 6>&2

t0_us=${EPOCHREALTIME/./}
log() {
  if [ "$verbose" -eq 1 ]; then
    local ms=$(((${EPOCHREALTIME/./} - t0_us) / 1000))
    printf 'wine-env [%3d.%03ds] %s\n' $((ms / 1000)) $((ms % 1000)) "$*" >&2
  fi
}
warn() { echo "wine-env: $*" >&2; }

# wait_until TIMEOUT_SECONDS COMMAND...: polls COMMAND until it succeeds;
# fails when it has not succeeded within the timeout.
wait_until() {
  local limit=$1
  shift
  local deadline=$((SECONDS + limit))
  local delay=0.02
  until "$@" >/dev/null 2>&1; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep "$delay"
    case "$delay" in 0.02) delay=0.05 ;; 0.05) delay=0.1 ;; esac
  done
}

# A process is alive when it exists and is not a zombie (pid 1 here may reap
# daemonised children late).
alive() {
  local stat
  { read -r stat <"/proc/$1/stat"; } 2>/dev/null || return 1
  stat=${stat##*) }
  stat=${stat%% *}
  [ -n "$stat" ] && [ "$stat" != Z ] && [ "$stat" != X ]
}
gone() { ! alive "$1"; }

# stop_pid PID [TIMEOUT]: SIGTERM, wait, then SIGKILL.
stop_pid() {
  local pid=$1 limit=${2:-10}
  alive "$pid" || return 0
  kill -TERM "$pid" 2>/dev/null || true
  if ! wait_until "$limit" gone "$pid"; then
    kill -KILL "$pid" 2>/dev/null || true
    wait_until 5 gone "$pid" || warn "process $pid does not stop"
  fi
}

# w COMMAND...: runs a Wine command and waits for it. Wine processes and
# COMMAND carry this run's tag in their environment, by which the cleanup
# finds stragglers. The wait is interruptible, so that a Ctrl-C or a TERM is
# handled at once, not after a 10 s wineboot.
run_id="$$.${EPOCHREALTIME}"
w() {
  LUMITRAX_WINE_ENV_ID="$run_id" "$@" 5>&- 6>&- 8<&- 9>&- &
  wait "$!"
}

# has_tag PID: the process carries this run's tag.
has_tag() {
  local entry
  while IFS= read -r -d '' entry; do
    [ "$entry" != "LUMITRAX_WINE_ENV_ID=$run_id" ] || return 0
  done 2>/dev/null <"/proc/$1/environ" || true
  return 1
}

# prefix_pids: the processes whose environment carries this run's tag, in the
# array found_pids. Builtins only, so that the scan starts no processes.
found_pids=()
prefix_pids() {
  found_pids=()
  local dir pid
  for dir in /proc/[0-9]*; do
    pid=${dir#/proc/}
    [ "$pid" != "$$" ] || continue
    if has_tag "$pid" && alive "$pid"; then
      found_pids+=("$pid")
    fi
  done
}
no_prefix_pids() { prefix_pids; [ ${#found_pids[@]} -eq 0 ]; }

# stop_wine: ends the prefix's server and every process of the prefix. A Wine
# process that was just starting when the server went away (explorer starts
# rpcss on demand, for example) can start a new server or hang in its loader,
# so stragglers are killed and the server is ended once more.
stop_wine() {
  local _
  for _ in 1 2 3; do
    w wineserver -k >/dev/null 2>&1 || true
    w timeout 20 wineserver -w >/dev/null 2>&1 || warn "wineserver for $prefix did not stop in 20 s"
    prefix_pids
    [ ${#found_pids[@]} -gt 0 ] || return 0
    log "killing leftover processes of the prefix: ${found_pids[*]}"
    kill -KILL "${found_pids[@]}" 2>/dev/null || true
    wait_until 5 no_prefix_pids || true
  done
}

# ---------------------------------------------------------------- cleanup ---

workdir=""
prefix=""
server_started=0
xvfb_pid=""
pulse_pid=""
keeper_pid=""
cmd_pid=""
status=0

cleanup() {
  local rc=$?
  [ "$status" -ne 0 ] || status=$rc
  trap - EXIT INT TERM HUP
  set +e
  exec 1>&5 2>&6
  if [ -n "$cmd_pid" ] && alive "$cmd_pid"; then
    log "stopping COMMAND ($cmd_pid)"
    kill -TERM "$cmd_pid" 2>/dev/null
    wait_until 10 gone "$cmd_pid" || kill -KILL "$cmd_pid" 2>/dev/null
    wait "$cmd_pid" 2>/dev/null
  fi
  if [ "$server_started" -eq 1 ]; then
    log "stopping wineserver"
    stop_wine
  fi
  [ -z "$keeper_pid" ] || { stop_pid "$keeper_pid" 5; wait "$keeper_pid" 2>/dev/null; }
  if [ -n "$xvfb_pid" ]; then
    log "stopping Xvfb $DISPLAY"
    stop_pid "$xvfb_pid" 10
    wait "$xvfb_pid" 2>/dev/null
  fi
  if [ -n "$pulse_pid" ]; then
    log "stopping PulseAudio"
    stop_pid "$pulse_pid" 10
  fi
  if [ -n "$workdir" ] && [ -d "$workdir" ]; then
    if [ "$status" -ne 0 ] && [ "$verbose" -eq 1 ]; then
      for f in "$workdir"/*.log; do
        [ -s "$f" ] || continue
        echo "---- $(basename "$f") (last lines)" >&2
        tail -n 15 "$f" >&2
      done
    fi
    rm -rf "$workdir"
  fi
  log "done, status $status"
  exit "$status"
}
trap cleanup EXIT
trap 'status=130; exit 130' INT
trap 'status=143; exit 143' TERM
trap 'status=129; exit 129' HUP

workdir=$(mktemp -d "${TMPDIR:-/tmp}/lumitrax-wine.XXXXXX")
chmod 0700 "$workdir"

# The loader of the chosen architecture, first on PATH as `wine` (and as
# `wine-stable`, which Debian's wineboot, winecfg and regedit scripts call):
# /usr/bin/wine takes the 32-bit loader whenever it is installed.
mkdir "$workdir/bin"
loader=/usr/lib/wine/wine
[ "$arch" = win32 ] || loader=/usr/lib/wine/wine64
for name in wine wine-stable; do
  printf '#!/bin/sh\nWINELOADER=%s\nexport WINELOADER\nexec %s "$@"\n' "$loader" "$loader" \
    >"$workdir/bin/$name"
  chmod +x "$workdir/bin/$name"
done
export PATH="$workdir/bin:$PATH"

# ---------------------------------------------------------------- display ---

# The X server on display N is ours when its lock file names our pid.
xvfb_owns() { # N PID
  local owner
  owner=$(tr -d ' \n' <"/tmp/.X$1-lock" 2>/dev/null) || return 1
  [ "$owner" = "$2" ]
}
x_answers() { DISPLAY="$1" xdotool getdisplaygeometry; }

start_xvfb() {
  command -v Xvfb >/dev/null 2>&1 || { warn "Xvfb is missing (run scripts/install-deps.sh)"; exit 2; }
  local n tries=0
  for n in $(seq 100 399); do
    # In use: a socket or a lock file (stale ones included; they cost nothing).
    if [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; then
      continue
    fi
    tries=$((tries + 1))
    [ "$tries" -le 20 ] || break
    # In a session of its own, so that a Ctrl-C does not end it before the
    # Wine processes that use it.
    setsid Xvfb ":$n" -screen 0 "${desk_w}x${desk_h}x24" -nolisten tcp -noreset \
      </dev/null >"$workdir/xvfb.log" 2>&1 5>&- 6>&- 9>&- &
    xvfb_pid=$!
    # Ready when it owns the display's lock and answers; if another server
    # won the race for this number, ours exits and the next one is tried.
    if wait_until 15 ready_or_dead "$n" "$xvfb_pid" && alive "$xvfb_pid" &&
      xvfb_owns "$n" "$xvfb_pid"; then
      export DISPLAY=":$n"
      log "Xvfb on $DISPLAY (${desk_w}x${desk_h}x24)"
      return 0
    fi
    stop_pid "$xvfb_pid" 5
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
  done
  warn "could not start Xvfb"
  cat "$workdir/xvfb.log" >&2 || true
  exit 1
}
ready_or_dead() { # N PID
  gone "$2" && return 0
  xvfb_owns "$1" "$2" && x_answers ":$1"
}

if [ "$want_xvfb" -eq 0 ] && [ -n "${DISPLAY:-}" ]; then
  if wait_until 3 x_answers "$DISPLAY"; then
    log "using DISPLAY $DISPLAY"
  else
    warn "DISPLAY '$DISPLAY' does not answer; starting a private Xvfb"
    start_xvfb
  fi
else
  start_xvfb
fi

# ------------------------------------------------------------- pulseaudio ---

if [ "$want_pulse" -eq 1 ]; then
  for tool in pulseaudio pactl; do
    command -v "$tool" >/dev/null 2>&1 ||
      { warn "'$tool' is missing (run scripts/install-deps.sh)"; exit 2; }
  done
  export XDG_RUNTIME_DIR="$workdir/xdg"
  mkdir -m 0700 "$XDG_RUNTIME_DIR" "$workdir/pulse-home"
  # The socket sits in a private 0700 folder, so anonymous access is safe and
  # no cookie in the caller's home is needed. HOME points at a private folder
  # so that the daemon writes nothing into the caller's home.
  HOME="$workdir/pulse-home" pulseaudio -D -n --exit-idle-time=-1 \
    --load=module-null-sink \
    --load="module-native-protocol-unix auth-anonymous=1" \
    </dev/null >"$workdir/pulse.log" 2>&1 5>&- 6>&- 9>&- ||
    { warn "PulseAudio did not start"; cat "$workdir/pulse.log" >&2; exit 1; }
  pulse_pid=$(cat "$XDG_RUNTIME_DIR/pulse/pid" 2>/dev/null || true)
  if ! wait_until 15 pactl info; then
    warn "PulseAudio does not answer"
    cat "$workdir/pulse.log" >&2
    exit 1
  fi
  [ -n "$pulse_pid" ] || pulse_pid=$(cat "$XDG_RUNTIME_DIR/pulse/pid")
  log "PulseAudio (pid $pulse_pid) with a null sink in $XDG_RUNTIME_DIR"
fi

# ------------------------------------------------------------ wine prefix ---

export WINEARCH="$arch"
export WINEDEBUG="$winedebug"
boot_overrides="mscoree,mshtml=;winemenubuilder.exe=d"

if [ -n "$prefix_arg" ]; then
  mkdir -p "$prefix_arg"
  prefix=$(cd "$prefix_arg" && pwd -P)
  export WINEPREFIX="$prefix"
  # Runs on the same prefix take turns.
  exec 9>>"$prefix/.lumitrax-wine-env.lock"
  if ! flock -n 9; then
    log "prefix $prefix is busy; waiting for it"
    flock -w "$lock_timeout" 9 || { warn "prefix $prefix stayed busy for $lock_timeout s"; exit 1; }
  fi
  prefix_arch=""
  [ ! -f "$prefix/system.reg" ] || prefix_arch=$(sed -n 's/^#arch=//p' "$prefix/system.reg" | head -n 1)
  if [ -n "$prefix_arch" ] && [ "$prefix_arch" != "$arch" ]; then
    warn "$prefix is a $prefix_arch prefix; --arch $arch needs a prefix of its own"
    exit 2
  fi
  # A server left over from an earlier run or a manual `wine` call: let it end
  # on its own for a moment, then end it. Status 124 is the timeout (the
  # server still runs); any other failure is the server's own.
  server_status=0
  w timeout 10 wineserver -w >"$workdir/wineserver.log" 2>&1 || server_status=$?
  if [ "$server_status" -eq 124 ]; then
    log "ending an old wineserver"
    w wineserver -k >/dev/null 2>&1 || true
    server_status=0
    w timeout 20 wineserver -w >"$workdir/wineserver.log" 2>&1 || server_status=$?
    [ "$server_status" -ne 124 ] || { warn "the old wineserver in $prefix does not stop within 20 s"; exit 1; }
  fi
  if [ "$server_status" -ne 0 ]; then
    warn "wineserver failed (status $server_status): $(tr '\n' ' ' <"$workdir/wineserver.log")"
    exit 1
  fi
else
  prefix="$workdir/prefix"
  export WINEPREFIX="$prefix"
fi

winver=win7
[ "$want_winxp" -eq 0 ] || winver=winxp
marker="$prefix/.lumitrax-wine-env"
wanted_settings="desktop=${desk_w}x${desk_h} version=$winver shell=taskbar dpi=$dpi"
server_started=1 # from here on cleanup ends the prefix's server

if [ ! -f "$marker" ]; then
  log "creating prefix $prefix"
  boot_status=0
  WINEDLLOVERRIDES="$boot_overrides" WINEDEBUG=-all \
    w timeout "$boot_timeout" wineboot -i </dev/null >"$workdir/wineboot.log" 2>&1 || boot_status=$?
  if [ "$boot_status" -ne 0 ]; then
    if [ "$boot_status" -eq 124 ]; then
      warn "wineboot failed: it took longer than $boot_timeout s (LUMITRAX_WINE_BOOT_TIMEOUT)"
    else
      warn "wineboot failed (status $boot_status): $(tail -n 3 "$workdir/wineboot.log" | tr '\n' ' ')"
    fi
    cat "$workdir/wineboot.log" >&2
    exit 1
  fi
  log "prefix created"
  current_settings="desktop=none version=win7"
else
  current_settings=$(cat "$marker")
fi

# Wine's own fonts (Tahoma, Marlett, ...): without them dialog fonts fall
# back to a wider face and dialog units no longer match the templates.
fonts="$prefix/drive_c/windows/Fonts"
if [ ! -f "$fonts/tahoma.ttf" ] && [ -f /usr/share/wine/fonts/tahoma.ttf ]; then
  cp /usr/share/wine/fonts/*.ttf "$fonts/"
  log "copied Wine's fonts into the prefix"
fi

if [ "$current_settings" != "$wanted_settings" ]; then
  # Every program joins the desktop named Default, a virtual desktop of the
  # given size. Only a desktop created after this takes the setting, so the
  # server (and with it the desktop process) is restarted below.
  regfile="$workdir/desktop.reg"
  {
    printf 'REGEDIT4\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\r\n"Desktop"="Default"\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\r\n"Default"="%sx%s"\r\n\r\n' "$desk_w" "$desk_h"
    # A task bar with a notification area along the desktop's bottom edge,
    # as on a panel PC (the work area ends above it).
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops\\Default]\r\n"EnableShell"=dword:00000001\r\n\r\n'
    # The Windows version every program of the prefix sees (winecfg -v is
    # refused in a 64-bit prefix; this value works for both architectures).
    printf '[HKEY_CURRENT_USER\\Software\\Wine]\r\n"Version"="%s"\r\n\r\n' "$winver"
    # The display scale: Wine reads LogPixels from the user's desktop
    # settings, older versions from the current hardware profile's fonts.
    printf '[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n"LogPixels"=dword:%08x\r\n\r\n' "$dpi"
    printf '[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts]\r\n"LogPixels"=dword:%08x\r\n\r\n' "$dpi"
  } >"$regfile"
  reg_status=0
  WINEDLLOVERRIDES="$boot_overrides" w timeout 60 wine regedit /S "Z:${regfile//\//\\}" \
    </dev/null >>"$workdir/wineboot.log" 2>&1 || reg_status=$?
  if [ "$reg_status" -ne 0 ]; then
    warn "regedit failed (status $reg_status) writing the desktop and version settings: $(tail -n 3 "$workdir/wineboot.log" | tr '\n' ' ')"
    exit 1
  fi
  # -k saves the registry and is quicker than waiting for the server to idle out.
  stop_wine
  printf '%s\n' "$wanted_settings" >"$marker"
  log "prefix set up: $wanted_settings"
fi

# A persistent server keeps the Wine system processes running between the
# many short `wine` calls of COMMAND.
w wineserver -p </dev/null >>"$workdir/wineserver.log" 2>&1 ||
  { warn "wineserver -p failed"; cat "$workdir/wineserver.log" >&2; exit 1; }
log "persistent wineserver started"

# Wine closes a desktop shortly after its last program ends, and creates the
# virtual desktop only when a program first needs it. A desktop process of our
# own keeps it (and the tray in it) there for the whole run, so that it exists
# before COMMAND's first window appears and screenshots always show it.
# (setsid: a Ctrl-C is not passed to it, the cleanup ends it in order.)
LUMITRAX_WINE_ENV_ID="$run_id" WINEDLLOVERRIDES="$boot_overrides" \
  setsid wine explorer.exe "/desktop=Default,${desk_w}x${desk_h}" \
  </dev/null >"$workdir/desktop.log" 2>&1 5>&- 6>&- 9>&- &
keeper_pid=$!

our_desktop_window() {
  local wid pid
  for wid in $(xdotool search --name '^Default - Wine desktop$' 2>/dev/null); do
    pid=$(xdotool getwindowpid "$wid" 2>/dev/null) || continue
    ! has_tag "$pid" || return 0
  done
  return 1
}
if ! wait_until 60 our_desktop_window; then
  warn "the Wine virtual desktop did not appear within 60 s"
  cat "$workdir/desktop.log" >&2
  exit 1
fi
log "virtual desktop ${desk_w}x${desk_h} is up"

# ---------------------------------------------------------------- command ---

export LUMITRAX_WINE_ENV=1 LUMITRAX_WINE_ARCH="$arch" LUMITRAX_WINE_LOADER="$loader" \
  LUMITRAX_WINE_DPI="$dpi"
# Wine's sound drivers for COMMAND: the private PulseAudio with --pulse, none
# without it. Wine's ALSA driver is never loaded: on a host without a sound
# card it prints a page of errors for every program that opens a device.
sound_overrides="winealsa.drv=d"
[ "$want_pulse" -eq 1 ] || sound_overrides="winealsa.drv,winepulse.drv=d"
if [ -z "${WINEDLLOVERRIDES:-}" ]; then
  export WINEDLLOVERRIDES="$boot_overrides;$sound_overrides"
fi
log "running: $*"
if [ -e "/proc/$$/fd/0" ]; then exec 8<&0; else exec 8</dev/null; fi
# An asynchronous command would ignore SIGINT and read /dev/null; undo both so
# COMMAND behaves as in the foreground, while this shell can still react to
# signals at once.
(
  trap - INT QUIT
  export LUMITRAX_WINE_ENV_ID="$run_id"
  exec "$@" <&8 5>&- 6>&- 8<&- 9>&-
) &
cmd_pid=$!
exec 8<&-
wait "$cmd_pid" || status=$?
cmd_pid=""
exit "$status"
