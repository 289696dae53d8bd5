#!/usr/bin/env bash
# scripts/setup's decisions on hosts of each kind, and what the scripts say
# then, with a package mirror that fails as mirrors do: fake apt-get, dpkg,
# dpkg-query, id, getent and locale come first on PATH, keep the machine's
# packages in a folder of their own and note each call; Wine's loaders are
# fakes that make a prefix. Where a row's kernel is "this", the host probe
# writes and runs its own programs on this kernel; elsewhere stand-ins that
# answer as a kernel of that kind lie where the probe keeps its programs.
#
#   setup_test.sh SOURCE_DIR
set -uo pipefail
root=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/bin" "$work/mount"
fake() {
  printf '#!/bin/bash\n%s\n' "$2" >"$work/bin/$1"
  chmod +x "$work/bin/$1"
}
# The machine's packages: FAKE_BEFORE is none, x64 (all of the machine's own
# architecture) or all; lines "name arch want status" in $FAKE_STATE/db say
# what differs from that.
fake dpkg-query '
declare -A db=()
while read -r name arch want state; do db[$name:$arch]="$want $state"; done <"$FAKE_STATE/db"
status=0
for a; do
  case "$a" in -W) continue ;; -f=*) format=${a#*=} && continue ;; esac
  name=${a%%:*} arch=${a#*:}
  [ "$name" != "$a" ] || arch=amd64
  entry=${db[$name:$arch]:-}
  case "${entry:-$FAKE_BEFORE:$arch}" in
    all:* | x64:amd64) entry="install installed" ;;
    *:*) echo "dpkg-query: no packages found matching $a" >&2 && status=1 && continue ;;
  esac
  line=$format
  for f in "Package=$name" "Architecture=$arch" "binary:Package=$a" "Status=${entry/ / ok }" \
    "db:Status-Status=${entry#* }" "db:Status-Want=${entry% *}"; do
    line=${line//"\${${f%%=*}}"/${f#*=}}
  done
  printf "%b" "$line"
done
exit $status'
# Calls are noted one word each: update, install (install:i386 where it names
# a 32-bit package), add-i386.
fake apt-get '
if [[ " $* " == *" update "* ]]; then
  echo update >>"$FAKE_STATE/calls"
  [ "$FAKE_UPDATE" = all ] || { [ "$FAKE_UPDATE" = i386 ] && grep -qx i386 "$FAKE_STATE/archs"; } || exit 0
  echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-${FAKE_UPDATE/all/amd64}/Packages.xz  File has unexpected size (67980 != 67676). Mirror sync in progress? [IP: 151.101.2.132 80]" >&2
  echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
  exit 100
fi
wanted=()
for a in "$@"; do [[ "$a" == -* || "$a" == install ]] || wanted+=("$a"); done
if [[ " ${wanted[*]}" == *:i386* ]]; then echo install:i386; else echo install; fi >>"$FAKE_STATE/calls"
for p in "${wanted[@]}"; do
  if [ "$p" = "$FAKE_REFUSE" ]; then echo "E: Unable to locate package $p" >&2 && exit 100; fi
  if [[ "$p" == *:i386 && "$FAKE_REFUSE" = i386 ]]; then
    echo " wine32:i386 : Depends: libwine:i386 (= 8.0~repack-4) but it is not going to be installed"
    echo "E: Unable to correct problems, you have held broken packages." >&2
    exit 100
  fi
done
for p in "${wanted[@]}"; do
  [[ "$p" == *:* ]] && echo "${p/:/ } install installed" || echo "$p amd64 install installed"
  case "$p" in wine64) cp "$FAKE_STATE/wine" "$TARROW_WINE_LIBDIR/wine64" ;; wine32:i386) cp "$FAKE_STATE/wine" "$TARROW_WINE_LIBDIR/wine" ;; esac
done >>"$FAKE_STATE/db"'
fake dpkg '
case "$1" in
  --print-architecture) echo amd64 ;;
  --print-foreign-architectures) cat "$FAKE_STATE/archs" ;;
  --add-architecture) echo add-$2 >>"$FAKE_STATE/calls" && echo "$2" >>"$FAKE_STATE/archs" ;;
esac'
fake id 'echo $FAKE_UID'
fake getent 'echo "someone:x:$FAKE_UID:$FAKE_UID::$FAKE_HOME:/bin/bash"'
fake locale 'printf "C\nC.utf8\nPOSIX\n" && [ -n "$FAKE_NO_LOCALE" ] || echo zh_CN.utf8'

# What this kernel runs, by the probe in an ordinary folder: the rows of
# "this" kernel need one of their kind.
this_kernel=$(
  unset TARROW_HOST_ARCHS TARROW_HOST_PROBED TARROW_HOST_TOLD
  XDG_CACHE_HOME=$work/baseline
  . "$root/scripts/host.sh"
  host_kernel_runs x86 && echo -n "x86 "
  host_kernel_runs x64 && echo -n x64
)
# A file system mounted no-exec, in a mount namespace of the test's own.
noexec_why=$(unshare -m mount -t tmpfs -o noexec tmpfs "$work/mount" 2>&1) && noexec_why=

# name | user | kernel | host | installed before | mirror's update fails for | install refused for | set-up's status | apt calls | prefixes and note left | a line that says (* is any text)
cases='
a user, 32-bit Wine missing           | user | x86 x64  | plain            | x64                  | -    | -      | 0 | -                                           | wine64        | setup: x86 not run here: 32-bit Wine is not installed (wine32:i386), and only root can install it
a user, an x64 package missing        | user | x86 x64  | plain            | x64 but wine64       | -    | -      | 1 | -                                           | -             | setup: missing packages (wine64); run scripts/setup as root
a user, the locale not made yet       | user | x64      | no locale        | all                  | -    | -      | 1 | -                                           | -             | setup: locale zh_CN.UTF-8 missing; run scripts/setup as root
a package on hold                     | root | x64      | plain            | all, wine64 held     | -    | -      | 0 | -                                           | wine64        | x86 not run here: the kernel runs no 32-bit programs
64-bit kernel, everything installed   | root | x64      | plain            | x64                  | -    | -      | 0 | -                                           | wine64        | x86 not run here: the kernel runs no 32-bit programs (a test program: Exec format error)
both kernels, everything installed    | root | x86 x64  | plain            | all                  | -    | -      | 0 | -                                           | wine32 wine64 | this machine runs 32-bit and 64-bit programs
64-bit kernel, the i386 index broken  | root | x64      | plain            | none                 | i386 | -      | 0 | update install                              | wine64        | x86 not run here: the kernel runs no 32-bit programs
32-bit kernel, the i386 index broken  | root | x86 x64  | plain            | none                 | i386 | i386   | 0 | add-i386 update update install install:i386 | wine64 note   | x86 not run here: 32-bit Wine could not be installed (Unable to correct problems, you have held broken packages.)
within the hour of a failed try       | root | x86 x64  | plain            | x64, note 10 min old | -    | -      | 0 | -                                           | wine64 note   | setup: 32-bit Wine could not be installed 10 min ago; the next try is 50 min from now
an hour later, the mirror whole again | root | x86 x64  | plain            | x64, note 61 min old | -    | -      | 0 | update install:i386                         | wine32 wine64 | this machine runs 32-bit and 64-bit programs
an x64 package refused                | root | x64      | plain            | none                 | all  | wine64 | 1 | update update install                       | -             | setup: stopped: could not install *wine64* (Unable to locate package wine64)
no HOME                               | root | x86 x64  | no HOME          | all                  | -    | -      | 0 | -                                           | wine32 wine64 | HOME is not set: using */home, the home the user database gives
this kernel refuses 32-bit programs   | root | this x64 | plain            | x64                  | -    | -      | 0 | -                                           | wine64        | x86 not run here: the kernel runs no 32-bit programs (a test program: Exec format error)
the probe cache mounted no-exec       | root | this x64 | no-exec cache    | x64                  | -    | -      | 0 | -                                           | wine64        | x86 not run here: the kernel runs no 32-bit programs (a test program: Exec format error)
no folder lets a program run          | root | this x64 | no exec anywhere | x64                  | -    | -      | 0 | -                                           | -             | x64 not run here: whether the kernel runs 64-bit programs is unknown: the test program could not run (in *: Permission denied; in *: Permission denied; in /dev/shm: Permission denied)
'

# Adds problem $1 to the row's, once.
problem() {
  local known
  for known in "${problems[@]}"; do [ "$known" != "$1" ] || return 0; done
  problems+=("$1")
}

# Runs row $2 in folder $1 and writes its verdict and what was printed to $1/report.
run_case() {
  local case=$1 name user kernel host before update refuse status calls left says v
  IFS='|' read -r name user kernel host before update refuse status calls left says <<<"$2"
  for v in name user kernel host before update refuse status calls left says; do
    local -n value=$v
    value=${value#"${value%%[! ]*}"} value=${value%"${value##*[! ]}"}
    unset -n value
  done
  if [[ "$kernel" == this* && "this $this_kernel" != "$kernel" ]]; then
    echo "SKIPPED: $name: needs a kernel that runs ${kernel#this } programs only; this one runs ${this_kernel:-none}"
    return
  elif [[ "$host" == no*exec* && -n "$noexec_why" ]]; then
    echo "SKIPPED: $name: no file system can be mounted no-exec here ($noexec_why)"
    return
  fi
  local wine_dir=$case/wine cache=$case/cache/tarrow/host arch base=${before%% *} mounts=
  [ "$host" != "no HOME" ] || wine_dir=$case/home/.cache/tarrow cache=$case/home/.cache/tarrow/host
  mkdir -p "$case/state" "$case/home" "$case/tmp" "$case/lib" "$cache"
  : >"$case/state/calls" && : >"$case/state/archs" && : >"$case/state/db"
  # Stand-ins for the kernel's answer, where the probe keeps its programs.
  [[ "$kernel" == this* ]] || for arch in x86 x64; do
    if [[ " $kernel " == *" $arch "* ]]; then
      printf '#!/bin/sh\nexit 42\n'
    else
      printf '#!/bin/sh\necho "bash: line 1: $0: cannot execute binary file: Exec format error" >&2\nexit 126\n'
    fi >"$cache/exit42-$arch"
  done
  # Wine's loaders: the version, and a prefix where wineboot makes one.
  printf '#!/bin/sh\n[ "$1" != --version ] || echo wine-8.0\n[ "$1" != wineboot ] || { mkdir -p "$WINEPREFIX" && touch "$WINEPREFIX/system.reg"; }\n' >"$case/state/wine"
  printf '#!/bin/sh\n' >"$case/lib/wineserver64"
  base=${base%,}
  [ "$base" = none ] || cp "$case/state/wine" "$case/lib/wine64"
  [ "$base" != all ] || cp "$case/state/wine" "$case/lib/wine"
  chmod +x "$case/state/wine" "$case/lib"/* "$cache"/exit42-* 2>/dev/null
  case "$before" in
    *" but "*) echo "${before##* } amd64 install not-installed" >>"$case/state/db" && rm -f "$case/lib/${before##* }" ;;
    *" held") read -r _ v _ <<<"$before" && echo "$v amd64 hold installed" >>"$case/state/db" ;;
    *", note "*)
      # What an earlier set-up left on a 32-bit kernel, on a day the mirror was out of step.
      echo i386 >"$case/state/archs"
      echo "Unable to correct problems, you have held broken packages." >"$cache/wine32-not-installed"
      v=${before#*note }
      touch -d "${v% old} ago" "$cache/wine32-not-installed"
      ;;
  esac

  local settings=(PATH="$work/bin:$PATH" TARROW_WINE_LIBDIR="$case/lib" TARROW_APT_PAUSE=0 TMPDIR="$case/tmp"
    FAKE_STATE="$case/state" FAKE_BEFORE="$base" FAKE_UPDATE="$update" FAKE_REFUSE="$refuse"
    FAKE_UID=0 FAKE_HOME="$case/home" FAKE_NO_LOCALE=)
  [ "$user" = root ] || settings+=(FAKE_UID=1000)
  [ "$host" = "no HOME" ] || settings+=(HOME="$case/home" XDG_CACHE_HOME="$case/cache" TARROW_WINE_DIR="$wine_dir")
  # No locale of that name where glibc looks, as on a fresh machine.
  [ "$host" != "no locale" ] || settings+=(FAKE_NO_LOCALE=1 LOCPATH="$case/tmp")
  # As scripts/build and scripts/package do: the environment first, then set-up.
  local command=(bash -c '. "$1/scripts/env.sh" && "$1/scripts/setup" && host_line test && host_not_run' _ "$root")
  [ "$host" != "no-exec cache" ] || mounts="'$case/cache'"
  [ "$host" != "no exec anywhere" ] || mounts="'$case/cache' '$case/tmp' /dev/shm"
  if [ -n "$mounts" ]; then
    command=(unshare -m sh -c "for m in $mounts; do mount -t tmpfs -o noexec tmpfs \"\$m\" || exit 1; done; exec \"\$@\"" _ "${command[@]}")
  fi
  env -u HOME -u XDG_CACHE_HOME -u TARROW_WINE_DIR -u TARROW_HOST_ARCHS -u TARROW_HOST_PROBED -u TARROW_HOST_TOLD \
    -u TARROW_ARCH -u WINEPREFIX -u LANG -u LC_ALL "${settings[@]}" "${command[@]}" >"$case/out" 2>&1
  local got_status=$? got_calls got_left= line found= problems=()
  [ "$got_status" = 0 ] || got_status=1
  mapfile -t got_calls <"$case/state/calls"
  for v in wine32 wine64; do [ ! -f "$wine_dir/$v/.tarrow-prefix-v2" ] || got_left+="$v "; done
  [ ! -f "$cache/wine32-not-installed" ] || got_left+=note
  got_left=${got_left% }

  [ "$got_status" = "$status" ] || problems+=("set-up's status $got_status, not $status")
  [ "${got_calls[*]:--}" = "$calls" ] || problems+=("calls \"${got_calls[*]:--}\", not \"$calls\"")
  [ "${got_left:--}" = "$left" ] || problems+=("left \"${got_left:--}\", not \"$left\"")
  while IFS= read -r line; do
    # shellcheck disable=SC2053 # the expected line's * matches any text
    [[ "$line" != *$says* ]] || found=1
    # Only the kernel's own refusal counts as the kernel's answer.
    [[ "$line" != *"the kernel runs no"* || "$line" == *"Exec format error"* ]] ||
      problem "a line blames the kernel without its refusal, Exec format error"
    [[ "$line" != *setlocale* ]] || problem "a warning of a locale that is not made"
    [[ " $kernel " == *" x86 "* || "${line,,}" != *i386* ]] || problem "i386 is mentioned on a host that runs no 32-bit programs"
  done <"$case/out"
  [ -n "$found" ] || problems+=("no line says \"$says\"")
  if [ ${#problems[@]} -eq 0 ]; then
    echo "ok: $name; what set-up and the scripts printed:"
  else
    echo "FAILED: $name:"
    printf '  %s\n' "${problems[@]}"
    echo "  what set-up and the scripts printed:"
  fi
  sed 's/^/  | /' "$case/out"
}

# The rows run side by side, each in a folder of its own.
rows=0
while IFS= read -r line; do
  [ -n "$line" ] || continue
  rows=$((rows + 1))
  mkdir -p "$work/case$rows"
  run_case "$work/case$rows" "$line" >"$work/report$rows" &
done <<<"$cases"
wait
failures=0 skipped=0
for ((row = 1; row <= rows; row++)); do
  cat "$work/report$row"
  read -r verdict _ <"$work/report$row"
  [ "$verdict" != FAILED: ] || failures=$((failures + 1))
  [ "$verdict" != SKIPPED: ] || skipped=$((skipped + 1))
done
echo "$rows cases, $failures failed, $skipped skipped"
[ "$rows" -gt "$skipped" ] && [ "$failures" = 0 ]
