#!/usr/bin/env bash
# Runs a Windows GUI test program under Wine on a private virtual display (Xvfb).
export WINEDEBUG=-all
wine=$(command -v wine || command -v wine-stable || echo /usr/lib/wine/wine)
if [ -z "${QM_GUI_DISPLAY_READY:-}" ]; then
  export QM_GUI_DISPLAY_READY=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
# A prefix of its own: Wine's desktop process belongs to the prefix's server, and one started
# by a display-less test program (run in parallel) would leave these windows without a screen.
export WINEPREFIX="${WINEPREFIX:-$HOME/.wine}-gui"
# No window manager runs on the virtual display: Wine's own (unmanaged) windows avoid the
# pause it otherwise waits out whenever a focused window closes.
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
exec "$wine" "$@"
