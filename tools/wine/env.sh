# Sourced by the Wine scripts: where the prefix lives and how Wine runs.
# ARDMON_WINE_ROOT holds the prefix, the display file and the logs; it
# defaults to the Windows build tree's wine folder.
ardmon_repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export ARDMON_WINE_ROOT=${ARDMON_WINE_ROOT:-$ardmon_repo/build/win/wine}
export WINEPREFIX=$ARDMON_WINE_ROOT/prefix
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer dialogs: nothing here needs them.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if [ -z "${DISPLAY:-}" ] && [ -f "$ARDMON_WINE_ROOT/display" ]; then
  DISPLAY=$(cat "$ARDMON_WINE_ROOT/display")
  export DISPLAY
fi
