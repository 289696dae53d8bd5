# Shared environment for the scripts: sourced, not run.
#
# Tarrow is built for two architectures, x86 (the release) and x64, each in
# a build folder of its own below TARROW_BUILD_DIR (default build/), and
# each runs under Wine in a prefix of its own below TARROW_WINE_DIR (default
# ~/.cache/tarrow): wine32, a 32-bit prefix run by Wine's 32-bit loader, and
# wine64, a 64-bit prefix run by its 64-bit loader. TARROW_ARCH (default x86)
# says which one the Wine variables below are for; `use_arch ARCH` switches.
# Debian's `wine` wrapper takes the 32-bit loader whenever it is installed,
# even where it cannot run, so the scripts call "$WINELOADER" and
# "$WINESERVER" instead of wine and wineserver.
TARROW_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export TARROW_ROOT
. "$TARROW_ROOT/scripts/host.sh"
export TARROW_BUILD_DIR=${TARROW_BUILD_DIR:-$TARROW_ROOT/build}
export TARROW_WINE_DIR=${TARROW_WINE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/tarrow}

# The one server serves 32-bit and 64-bit programs alike.
if [ -x "$TARROW_WINE_LIBDIR/wineserver64" ]; then
  export WINESERVER=$TARROW_WINE_LIBDIR/wineserver64
else
  export WINESERVER=$TARROW_WINE_LIBDIR/wineserver32
fi

use_arch() {
  local prefix
  case "$1" in
    x86)
      prefix=$TARROW_WINE_DIR/wine32
      export WINEARCH=win32 WINELOADER=$TARROW_WINE_LIBDIR/wine
      ;;
    x64)
      prefix=$TARROW_WINE_DIR/wine64
      export WINEARCH=win64 WINELOADER=$TARROW_WINE_LIBDIR/wine64
      ;;
    *)
      echo "unknown architecture '$1' (x86 or x64)" >&2
      return 2
      ;;
  esac
  export TARROW_ARCH=$1
  # A wineserver serves one desktop on the display it met first: where a
  # prefix of its own was made for this virtual display, runs on it keep to it.
  if [ -n "${DISPLAY:-}" ] && [ -d "$prefix-display${DISPLAY#:}" ]; then
    prefix=$prefix-display${DISPLAY#:}
  fi
  export WINEPREFIX=$prefix
}

use_arch "${TARROW_ARCH:-x86}"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# Set where it is made only: bash warns at once of a locale that is not, and
# scripts/setup makes it before anything runs under Wine. Once set, the
# scripts this one starts need not look again.
if [ "${LC_ALL:-}" = zh_CN.UTF-8 ] || host_has_locale zh_CN.utf8; then
  export LANG=zh_CN.UTF-8
  export LC_ALL=zh_CN.UTF-8
fi
