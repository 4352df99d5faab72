#!/usr/bin/env bash
# Installs, builds, lays out the program folder ./program and starts the monitor
# from it. Without cameras or IO board it comes up in its demonstration mode.
# Without a display it runs on a virtual X screen served over VNC on port 5900
# of the loopback address only: the screen starts and stops detection, so it
# is reached through an SSH tunnel, never straight from the plant network.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh --target inmold-monitor mkprogramdir
build/tools/mkprogramdir program resources/programdir
cd program
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ] || [ -n "${QT_QPA_PLATFORM:-}" ]; then
  exec ../build/monitor/inmold-monitor "$@"
fi

VNC_PORT="${INMOLD_VNC_PORT:-5900}"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT
trap 'exit 143' INT TERM

# A free display number, chosen by the X server itself.
displayfile="$(mktemp)"
Xvfb -displayfd 1 -screen 0 1920x1080x24 -nolisten tcp >"$displayfile" 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do
  [ -s "$displayfile" ] && break
  sleep 0.1
done
display=":$(head -n1 "$displayfile")"
rm -f "$displayfile"
[ "$display" != ":" ] || { echo "the virtual X screen did not start" >&2; exit 1; }

x11vnc -display "$display" -localhost -rfbport "$VNC_PORT" -forever -shared -nopw -quiet >/dev/null 2>&1 &
pids+=($!)
echo "No display: the monitor's screen is served over VNC on 127.0.0.1:$VNC_PORT only."
echo "From another machine: ssh -L $VNC_PORT:localhost:$VNC_PORT <user>@$(hostname), then 'vncviewer localhost:$VNC_PORT'."
DISPLAY="$display" ../build/monitor/inmold-monitor "$@"
