#!/usr/bin/env bash
# Installs Morvane into a temporary prefix that the test user cannot write,
# runs it as that user on its own X display, types a position, computes and
# saves it, and checks that user.ini went to the user's configuration
# directory and that the window carries the program icon.
#   tests/install_test.sh BUILD_DIR
set -euo pipefail
build=$1
user=nobody

work=$(mktemp -d)
xvfb=""
program=""
cleanup() {
  [[ -n $program ]] && kill "$program" 2>/dev/null || true
  [[ -n $xvfb ]] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
chmod 755 "$work"

prefix=$work/usr
cmake --install "$build" --prefix "$prefix" >/dev/null
chmod -R go-w "$prefix"
if runuser -u "$user" -- test -w "$prefix/bin"; then
  echo "FAIL: $user can write $prefix/bin" >&2
  exit 1
fi
for f in bin/morvane share/applications/org.morvane.morvane.desktop \
         share/icons/hicolor/32x32/apps/org.morvane.morvane.png \
         share/metainfo/org.morvane.morvane.metainfo.xml; do
  [[ -f $prefix/$f ]] || { echo "FAIL: $f not installed" >&2; exit 1; }
done

home=$work/home
mkdir -p "$home"
chown "$user" "$home"

display=:$((100 + RANDOM % 100))
Xvfb "$display" -ac -screen 0 1024x768x24 -dpi 96 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do DISPLAY=$display xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
export DISPLAY=$display

runuser -u "$user" -- env HOME="$home" DISPLAY="$display" QT_QPA_PLATFORM=xcb \
  XDG_RUNTIME_DIR="$home" "$prefix/bin/morvane" >"$work/program.log" 2>&1 &
program=$!
wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^Morvane Version 1.11$' | head -1)
eval "$(xdotool getwindowgeometry --shell "$wid")"  # X, Y, WIDTH, HEIGHT
menu=$((HEIGHT - 221))  # the client area is 221 pixels high below the menu bar

click() { xdotool mousemove $((X + $1)) $((Y + menu + $2)) click 1; sleep 0.1; }
click 60 89;  xdotool type 48   # latitude degrees
click 140 89; xdotool type 51   # latitude minutes
click 60 161; xdotool type 2    # longitude degrees
click 140 161; xdotool type 21  # longitude minutes
click 396 148                   # Compute
click 440 180                   # Save my QRA Locator
sleep 0.5

saved=$home/.config/morvane/user.ini
if [[ ! -f $saved ]]; then
  echo "FAIL: no $saved" >&2
  cat "$work/program.log" >&2
  exit 1
fi
if ! tr -d '\r' <"$saved" | tail -1 | grep -qx JN18EU; then
  echo "FAIL: $saved does not end with JN18EU:" >&2
  od -c "$saved" >&2
  exit 1
fi
[[ ! -e $prefix/bin/user.ini ]] || { echo "FAIL: wrote beside the installed program" >&2; exit 1; }
if ! xprop -id "$wid" _NET_WM_ICON | grep -q '='; then
  echo "FAIL: the main window has no icon" >&2
  exit 1
fi
echo "installed program saved the home locator to ~/.config/morvane/user.ini, icon set"
