#!/usr/bin/env bash
# Runs a command on a virtual desktop of its own: Xvfb with the icewm window manager, whose
# frames, task bar (the work area), notification area and popup stacking are those a user
# meets. The command's exit status is this script's.
#   run_on_desktop.sh COMMAND [ARGS...]
# Environment: SCREEN (default 1280x800).
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"

# shellcheck source=tools/xsession.sh
source "$root/tools/xsession.sh"
xsession_begin
xsession_screen "${SCREEN:-1280x800}"
xsession_wm
"$@"
