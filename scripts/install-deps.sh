#!/usr/bin/env bash
# Installs the packages the build, the tests and the demo need on Debian.
# Does nothing (and returns quickly) when everything is already there.
set -euo pipefail

need=()
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

# Both Windows builds compile on every host.
have_cmd i686-w64-mingw32-g++-posix || need+=(g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix)
have_cmd x86_64-w64-mingw32-g++-posix || need+=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix)
have_cmd cmake || need+=(cmake)
have_cmd clang-format || need+=(clang-format)
have_cmd g++ || need+=(g++)
have_cmd make || need+=(make)
[ -d /usr/src/googletest ] || need+=(googletest)
have_pkg libgtest-dev || need+=(libgtest-dev)
have_cmd Xvfb || need+=(xvfb)
have_cmd xdotool || need+=(xdotool)
have_pkg imagemagick || need+=(imagemagick)
have_cmd pulseaudio || need+=(pulseaudio)
[ -x /usr/bin/python3 ] || need+=(python3)
# 64-bit Wine everywhere; 32-bit Wine only where the host runs 32-bit
# programs (elsewhere it could not start, and its loader would shadow the
# 64-bit one in /usr/bin/wine).
runs_32bit=0
[ "$(LUMITRAX_WIN_ARCH= "$(dirname "$0")/host-arch.sh" --all)" = "win64" ] || runs_32bit=1
have_pkg wine || need+=(wine)
have_pkg wine64 || need+=(wine64)
[ "$runs_32bit" -eq 0 ] || have_pkg wine32:i386 || need+=(wine32:i386)
have_cmd xwd || need+=(x11-apps)
[ -d /usr/share/wine/fonts ] && ls /usr/share/wine/fonts/marlett.ttf >/dev/null 2>&1 || need+=(fonts-wine)
/usr/bin/python3 -c 'import PIL' 2>/dev/null || need+=(python3-pil)
[ -f /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf ] || need+=(fonts-dejavu-core)
# The installer package: wixl builds it, msiinfo reads it back.
have_cmd wixl || need+=(wixl)
have_cmd msiinfo || need+=(msitools)

if [ ${#need[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages: ${need[*]}; run as root (or with sudo) to install them" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
if [ "$runs_32bit" -eq 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
echo "install-deps: installed ${need[*]}"
