#!/usr/bin/env bash
# Installs, builds, lays out the program folder ./program and starts the monitor
# from it. Without cameras or IO board it comes up in its demonstration mode.
# Without a display it serves its screen over VNC on port 5900.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh --target inmold-monitor mkprogramdir
build/tools/mkprogramdir program resources/programdir
cd program
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display: the monitor's screen is served over VNC. Look at it with a VNC viewer on $(hostname):5900 (e.g. 'vncviewer localhost:5900')."
  export QT_QPA_PLATFORM="vnc:size=1920x1080:port=5900"
fi
exec ../build/monitor/inmold-monitor "$@"
