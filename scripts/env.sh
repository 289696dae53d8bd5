# Shared environment for the scripts: sourced, not run.
TARROW_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export TARROW_ROOT
export WINEPREFIX=${TARROW_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/tarrow/wine32}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export LANG=zh_CN.UTF-8
export LC_ALL=zh_CN.UTF-8
