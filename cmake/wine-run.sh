#!/usr/bin/env bash
# Runs a Windows test program under Wine, headless and quiet.
export WINEDEBUG=-all
export DISPLAY=
wine=$(command -v wine || command -v wine-stable || echo /usr/lib/wine/wine)
exec "$wine" "$@"
