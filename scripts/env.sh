# Shared environment for the scripts: sourced, not run.
TARROW_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export TARROW_ROOT
_prefix=${XDG_CACHE_HOME:-$HOME/.cache}/tarrow/wine32
# A wineserver serves one desktop on the display it met first: where a prefix
# of its own was made for this virtual display, runs on it keep to it.
if [ -z "${TARROW_WINEPREFIX:-}" ] && [ -n "${DISPLAY:-}" ] && [ -d "$_prefix-display${DISPLAY#:}" ]; then
  _prefix=$_prefix-display${DISPLAY#:}
fi
export WINEPREFIX=${TARROW_WINEPREFIX:-$_prefix}
unset _prefix
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export LANG=zh_CN.UTF-8
export LC_ALL=zh_CN.UTF-8
