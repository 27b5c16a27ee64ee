#!/usr/bin/env bash
# Runs a Windows GUI test program under Wine on a private virtual display (Xvfb).
export WINEDEBUG=-all
wine=$(command -v wine || command -v wine-stable || echo /usr/lib/wine/wine)
if [ -z "${QM_GUI_DISPLAY_READY:-}" ]; then
  export QM_GUI_DISPLAY_READY=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
exec "$wine" "$@"
