# Which of Tarrow's two architectures this machine can run, found by trying,
# and how to say so; sourced, not run.
#
#   host_probe          sets TARROW_HOST_ARCHS ("x86 x64", "x64", ...) and,
#                       for each architecture that cannot run, why not in
#                       TARROW_HOST_WHY_X86 / TARROW_HOST_WHY_X64
#   host_reprobe [PURPOSE]
#                       probes again, once set-up has installed Wine
#   host_runs ARCH      whether programs of ARCH (x86 or x64) run here
#   host_kernel_runs ARCH
#                       whether the kernel runs programs of ARCH, Wine or no
#                       Wine: what set-up installs for
#   host_line PURPOSE   one sentence for the first lines of a script: what
#                       it runs here and what it cannot, and why (PURPOSE:
#                       test, run, package)
#   host_not_run        one line for each architecture that does not run
#                       here, with the reason, for a closing summary
#   host_pick           the architecture to start a program in: x86, the
#                       release, where it runs, else x64
#   host_arch_for NAME  the same, or TARROW_ARCH where set, for script NAME,
#                       which it names in its word where neither can run
#   pe_arch FILE        x86 or x64, from a Windows program's header
#   release_name ARCH VERSION
#                       the release's name of ARCH: Tarrow-VERSION-win32/win64
#   cross_triple ARCH   the prefix of ARCH's mingw-w64 tools
#   host_has_locale NAME
#                       whether locale NAME (as `locale -a` spells it) is
#                       made here
#   explain_failures    makes the calling script name the command that
#                       failed, so that none ends on a bare exit status
#
# Some hosts run no 32-bit code at all (the kernel's IA-32 emulation is off),
# others run both, and package names tell nothing of it. So two tiny
# programs are run, a 32-bit and a 64-bit Linux one made here byte by byte,
# and then, where Wine is installed, its 32-bit and 64-bit loaders. Set
# TARROW_HOST_ARCHS beforehand to act as a host of another kind (for
# example TARROW_HOST_ARCHS=x64 on a host that runs both).
#
# The two programs are written once into $_host_cache, each under a name of
# its own first and then renamed, so that a script probing at the same time
# never runs a half-written one. Only "Exec format error" is the kernel's
# refusal; a program that cannot run there for another reason (a cache on a
# file system mounted no-exec says "Permission denied") runs from a fresh
# folder in TMPDIR (default /tmp), then in /dev/shm, and where it runs
# nowhere the scripts say that the probe could not run, not that the kernel
# cannot.
#
# Where the kernel runs 32-bit code but 32-bit Wine could not be installed
# (a package mirror out of step), set-up leaves apt's word for it in
# $_host_cache/wine32-not-installed; it only explains a 32-bit loader that is
# missing, and the next set-up that installs Wine's 32-bit part removes it.
# TARROW_WINE_LIBDIR (default /usr/lib/wine) is where the loaders are.

# cloud-init and systemd units can start a script without HOME: the user's
# home from the user database, else a folder of the user's own in TMPDIR.
# Exported, so that the scripts this one starts neither look nor say it again.
if [ -z "${HOME:-}" ]; then
  _host_uid=$(id -u)
  HOME=
  IFS=: read -r _ _ _ _ _ HOME _ < <(getent passwd "$_host_uid") || true
  if [ -n "$HOME" ] && [ -d "$HOME" ] && [ -w "$HOME" ]; then
    echo "${0##*/}: HOME is not set: using $HOME, the home the user database gives" >&2
  else
    HOME=${TMPDIR:-/tmp}/tarrow-home-$_host_uid
    mkdir -m 700 "$HOME" 2>/dev/null || true
    # Another user's folder of that name would get our Wine prefixes.
    if [ ! -d "$HOME" ] || [ ! -O "$HOME" ]; then
      echo "${0##*/}: HOME is not set, the user database gives no home, and $HOME cannot be made or is another user's: set HOME" >&2
      return 1
    fi
    echo "${0##*/}: HOME is not set and the user database gives no home: using $HOME" >&2
  fi
  export HOME
fi

_host_cache=${XDG_CACHE_HOME:-$HOME/.cache}/tarrow/host
_host_wine32_note=$_host_cache/wine32-not-installed
TARROW_WINE_LIBDIR=${TARROW_WINE_LIBDIR:-/usr/lib/wine}

# Writes the smallest static Linux program that exits with 42: an ELF header,
# one loadable segment and the exit system call, for i386 or x86-64.
_host_write_probe() {
  local arch=$1 file=$2
  if [ "$arch" = x86 ]; then
    # Loaded at 0x08048000; the code starts at byte 84: mov eax,1; mov ebx,42; int 0x80.
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
    printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'
    printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'
    printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'
    printf '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'
    printf '\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80'
  else
    # Loaded at 0x400000; the code starts at byte 120: mov eax,60; mov edi,42; syscall.
    printf '\x7fELF\x02\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
    printf '\x02\x00\x3e\x00\x01\x00\x00\x00\x78\x00\x40\x00\x00\x00\x00\x00'
    printf '\x40\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00'
    printf '\x00\x00\x00\x00\x40\x00\x38\x00\x01\x00\x00\x00\x00\x00\x00\x00'
    printf '\x01\x00\x00\x00\x05\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00'
    printf '\x00\x00\x40\x00\x00\x00\x00\x00\x00\x00\x40\x00\x00\x00\x00\x00'
    printf '\x84\x00\x00\x00\x00\x00\x00\x00\x84\x00\x00\x00\x00\x00\x00\x00'
    printf '\x00\x10\x00\x00\x00\x00\x00\x00'
    printf '\xb8\x3c\x00\x00\x00\xbf\x2a\x00\x00\x00\x0f\x05'
  fi >"$file"
  chmod +x "$file"
}

# Runs the test program of $1 in folder $2, written there first where it is
# not yet. Returns 0 where it ran, 1 where the kernel refused it, and 2 where
# it could not run there for another reason; sets _host_probe_said to what
# went wrong.
_host_run_probe() {
  local arch=$1 dir=$2 probe=$2/exit42-$1 status=0
  if [ ! -x "$probe" ]; then
    if ! { mkdir -p "$dir" && _host_write_probe "$arch" "$probe.$BASHPID" && mv -f "$probe.$BASHPID" "$probe"; } 2>/dev/null; then
      rm -f "$probe.$BASHPID" 2>/dev/null
      _host_probe_said="it cannot be written there"
      return 2
    fi
  fi
  # The shell's words for a program that cannot start are translated in
  # other locales.
  _host_probe_said=$(
    LC_ALL=C
    "$probe" 2>&1
  ) || status=$?
  [ "$status" != 42 ] || return 0
  _host_probe_said=${_host_probe_said##*: }
  _host_probe_said=${_host_probe_said:-exit status $status}
  [ "$_host_probe_said" != "Exec format error" ] || return 1
  return 2
}

# Sets _host_kernel_why_$1 to why the kernel runs no programs of $1, or to
# nothing; once in each shell, as the answer does not change meanwhile.
_host_kernel_probe() {
  local arch=$1 bits=32 status=0 base dir tried why known=_host_kernel_why_$1
  [ -z "${!known+set}" ] || return 0
  [ "$arch" = x86 ] || bits=64
  _host_run_probe "$arch" "$_host_cache" || status=$?
  tried="in $_host_cache: $_host_probe_said"
  if [ "$status" = 2 ]; then
    for base in "${TMPDIR:-/tmp}" /dev/shm; do
      status=0
      if dir=$(mktemp -d "$base/tarrow-probe.XXXXXX" 2>/dev/null); then
        _host_run_probe "$arch" "$dir" || status=$?
        rm -rf "$dir" || true
      else
        _host_probe_said="no folder can be made there"
        status=2
      fi
      [ "$status" = 2 ] || break
      tried="$tried; in $base: $_host_probe_said"
    done
  fi
  case "$status" in
    0) why= ;;
    1) why="the kernel runs no ${bits}-bit programs (a test program: $_host_probe_said)" ;;
    *) why="whether the kernel runs ${bits}-bit programs is unknown: the test program could not run ($tried)" ;;
  esac
  printf -v "_host_kernel_why_$arch" '%s' "$why"
}

# Prints nothing when Wine runs programs of $1 here, or is not installed at
# all yet (set-up installs it), else why not.
_host_wine_why_not() {
  local arch=$1 bits=32 loader=$TARROW_WINE_LIBDIR/wine other=$TARROW_WINE_LIBDIR/wine64 out status
  if [ "$arch" = x64 ]; then
    bits=64
    loader=$TARROW_WINE_LIBDIR/wine64
    other=$TARROW_WINE_LIBDIR/wine
  fi
  if [ ! -e "$loader" ]; then
    [ -e "$other" ] || return 0
    if [ "$arch" = x86 ] && [ -s "$_host_wine32_note" ]; then
      echo "32-bit Wine could not be installed ($(head -n 1 "$_host_wine32_note"))"
    else
      echo "${bits}-bit Wine is not installed (scripts/setup, run as root, installs it)"
    fi
    return
  fi
  status=0
  out=$(WINEDEBUG=-all "$loader" --version 2>&1) || status=$?
  if [ "$status" != 0 ] || [[ "$out" != wine-* ]]; then
    out=${out##*: }
    echo "Wine's ${bits}-bit loader does not start (${out:-exit status $status})"
  fi
}

# Sets TARROW_HOST_WHY_$1 to why programs of $1 do not run here, or to nothing.
_host_why_not() {
  local kernel=_host_kernel_why_$1 why=TARROW_HOST_WHY_${1^^}
  _host_kernel_probe "$1"
  printf -v "$why" '%s' "${!kernel}"
  [ -n "${!why}" ] || printf -v "$why" '%s' "$(_host_wine_why_not "$1")"
}

host_probe() {
  local arch
  [ -z "${TARROW_HOST_PROBED:-}" ] || return 0
  if [ -n "${TARROW_HOST_ARCHS+set}" ]; then
    # Told, not found: what is left out counts as not running here.
    TARROW_HOST_TOLD=1
    TARROW_HOST_WHY_X86=
    TARROW_HOST_WHY_X64=
    for arch in x86 x64; do
      [[ " $TARROW_HOST_ARCHS " == *" $arch "* ]] && continue
      if [ "$arch" = x86 ]; then
        TARROW_HOST_WHY_X86="TARROW_HOST_ARCHS leaves it out"
      else
        TARROW_HOST_WHY_X64="TARROW_HOST_ARCHS leaves it out"
      fi
    done
  else
    _host_why_not x86
    _host_why_not x64
    TARROW_HOST_ARCHS=
    [ -n "$TARROW_HOST_WHY_X86" ] || TARROW_HOST_ARCHS="x86"
    [ -n "$TARROW_HOST_WHY_X64" ] || TARROW_HOST_ARCHS="${TARROW_HOST_ARCHS:+$TARROW_HOST_ARCHS }x64"
  fi
  TARROW_HOST_PROBED=1
  export TARROW_HOST_ARCHS TARROW_HOST_WHY_X86 TARROW_HOST_WHY_X64 TARROW_HOST_PROBED TARROW_HOST_TOLD
}

# Probes again once set-up has installed Wine: a kernel that runs 32-bit code
# may still have a 32-bit Wine that does not start. Given a PURPOSE, says so
# where that changes what runs.
host_reprobe() {
  local before
  host_probe
  [ -z "${TARROW_HOST_TOLD:-}" ] || return 0
  before=$TARROW_HOST_ARCHS
  unset TARROW_HOST_ARCHS TARROW_HOST_PROBED
  host_probe
  [ "$TARROW_HOST_ARCHS" = "$before" ] || [ -z "${1:-}" ] || echo "after set-up, $(host_line "$1")"
}

host_runs() {
  host_probe
  [[ " $TARROW_HOST_ARCHS " == *" $1 "* ]]
}

# The kernel's own answer: set-up asks it before Wine is there.
host_kernel_runs() {
  local why=_host_kernel_why_$1
  # Only a TARROW_HOST_ARCHS set before any probe is the user's word.
  [ -n "${TARROW_HOST_PROBED:-}" ] || [ -z "${TARROW_HOST_ARCHS+set}" ] || host_probe
  if [ -n "${TARROW_HOST_TOLD:-}" ]; then
    [[ " $TARROW_HOST_ARCHS " == *" $1 "* ]]
  else
    _host_kernel_probe "$1"
    [ -z "${!why}" ]
  fi
}

host_pick() {
  if host_runs x86; then
    echo x86
  elif host_runs x64; then
    echo x64
  else
    return 1
  fi
}

# The architecture script $1 starts Tarrow in: TARROW_ARCH where set, else
# x86, the release, where it runs, else x64. Says why where none can run.
host_arch_for() {
  local arch=${TARROW_ARCH:-} why
  if [ -z "$arch" ] && ! arch=$(host_pick); then
    echo "$1: this machine runs neither build: x86 $TARROW_HOST_WHY_X86; x64 $TARROW_HOST_WHY_X64" >&2
    return 1
  fi
  if ! host_runs "$arch"; then
    why=TARROW_HOST_WHY_${arch^^}
    echo "$1: this machine cannot run the $arch build (${!why})" >&2
    return 1
  fi
  echo "$arch"
}

host_line() {
  local purpose=$1 what
  host_probe
  case "$TARROW_HOST_ARCHS" in
    "x86 x64")
      case "$purpose" in
        test) echo "this machine runs 32-bit and 64-bit programs: tests run on the x86 and the x64 build" ;;
        package) echo "this machine runs 32-bit and 64-bit programs: both releases are made and run" ;;
        *) echo "this machine runs 32-bit and 64-bit programs: either build can run (x86, the release, unless TARROW_ARCH says x64)" ;;
      esac
      ;;
    x64 | x86)
      local runs=$TARROW_HOST_ARCHS other=x86 why=$TARROW_HOST_WHY_X86
      if [ "$runs" = x86 ]; then
        other=x64
        why=$TARROW_HOST_WHY_X64
      fi
      case "$purpose" in
        test) what="the $other build is built and checked but not run; tests run on the $runs build" ;;
        package) what="the $other release is made and checked but not run" ;;
        *) what="the $runs build runs" ;;
      esac
      echo "$other not run here: $why: $what"
      ;;
    *)
      echo "neither build runs here (x86: $TARROW_HOST_WHY_X86; x64: $TARROW_HOST_WHY_X64): both are built and checked, nothing is run"
      ;;
  esac
}

host_not_run() {
  local arch why
  host_probe
  for arch in x86 x64; do
    host_runs "$arch" && continue
    why=TARROW_HOST_WHY_${arch^^}
    echo "$arch not run here: ${!why}"
  done
}

pe_arch() {
  local lfanew machine
  lfanew=$(od -An -t u4 -j 60 -N 4 "$1" 2>/dev/null | tr -d ' ')
  [ -n "$lfanew" ] || return 1
  machine=$(od -An -t x2 -j $((lfanew + 4)) -N 2 "$1" 2>/dev/null | tr -d ' ')
  case "$machine" in
    014c) echo x86 ;;
    8664) echo x64 ;;
    *) return 1 ;;
  esac
}

release_name() {
  if [ "$1" = x64 ]; then echo "Tarrow-$2-win64"; else echo "Tarrow-$2-win32"; fi
}

cross_triple() {
  if [ "$1" = x64 ]; then echo x86_64-w64-mingw32; else echo i686-w64-mingw32; fi
}

host_has_locale() {
  local made
  made=$(locale -a 2>/dev/null) || true
  [[ $'\n'${made,,}$'\n' == *$'\n'"${1,,}"$'\n'* ]]
}

explain_failures() {
  set -E
  trap 'echo "${0##*/}: stopped: \"$BASH_COMMAND\" (line $LINENO) failed with exit status $?" >&2' ERR
}
