#!/usr/bin/env bash
# scripts/setup's decisions on a fresh or half set-up machine, with a package
# mirror that fails as mirrors do: fake apt-get, dpkg and dpkg-query come first
# on PATH, keep the machine's packages in a folder of their own and note each
# call; the kernel's answer comes through the host probe's own programs.
#
#   setup_test.sh SOURCE_DIR
set -uo pipefail
root=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The required list, as setup has it: "installed before: x64" means these.
mapfile -t required < <(sed -n '/^packages=(/,/^)/p' "$root/scripts/setup" | sed -e '1d;$d' -e 's/#.*//' | tr ' ' '\n' | sed '/^$/d')

mkdir -p "$work/bin"
fake() {
  printf '#!/usr/bin/env bash\n%s\n' "$2" >"$work/bin/$1"
  chmod +x "$work/bin/$1"
}
# Calls are noted one word each: update, install (install:i386 where it names
# a 32-bit package), add-i386.
fake apt-get '
state=$FAKE_STATE
if [[ " $* " == *" update "* ]]; then
  echo update >>"$state/calls"
  index=
  [ "$FAKE_UPDATE" = all ] && index=amd64
  [ "$FAKE_UPDATE" = i386 ] && grep -qx i386 "$state/archs" && index=i386
  if [ -n "$index" ]; then
    echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-$index/Packages.xz  File has unexpected size (67980 != 67676). Mirror sync in progress? [IP: 151.101.2.132 80]" >&2
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
    exit 100
  fi
  exit 0
fi
wanted=()
for a in "$@"; do [[ "$a" == -* || "$a" == install ]] || wanted+=("$a"); done
if [[ " ${wanted[*]}" == *:i386* ]]; then echo install:i386 >>"$state/calls"; else echo install >>"$state/calls"; fi
for p in "${wanted[@]}"; do
  if [ "$p" = "$FAKE_REFUSE" ]; then echo "E: Unable to locate package $p" >&2; exit 100; fi
  if [[ "$p" == *:i386 && "$FAKE_REFUSE" = i386 ]]; then
    echo "The following packages have unmet dependencies:"
    echo " wine32:i386 : Depends: libwine:i386 (= 8.0~repack-4) but it is not going to be installed"
    echo "E: Unable to correct problems, you have held broken packages." >&2
    exit 100
  fi
done
printf "%s\n" "${wanted[@]}" >>"$state/installed"
for p in "${wanted[@]}"; do
  case "$p" in
    wine64) loader=wine64 ;;
    wine32:i386) loader=wine ;;
    *) continue ;;
  esac
  printf "#!/bin/sh\necho wine-8.0\n" >"$TARROW_WINE_LIBDIR/$loader"
  chmod +x "$TARROW_WINE_LIBDIR/$loader"
done'
fake dpkg-query '
for p; do :; done
grep -qx -- "$p" "$FAKE_STATE/installed" && echo "install ok installed"'
fake dpkg '
case "$1" in
  --print-foreign-architectures) cat "$FAKE_STATE/archs" ;;
  --add-architecture) echo add-$2 >>"$FAKE_STATE/calls"; echo "$2" >>"$FAKE_STATE/archs" ;;
esac'
fake id 'echo 0'
fake locale 'echo zh_CN.utf8'

# name | kernel runs | installed before | mirror's update fails for | install refused for | set-up's status | calls | what the scripts say then
cases='
no 32-bit kernel, the i386 index broken  | x64     | none | i386 | -      | 0 | update install                               | x86 not run here: the kernel runs no 32-bit programs (a test program: Exec format error)
32-bit kernel, the i386 index broken     | x86 x64 | none | i386 | i386   | 0 | add-i386 update update install install:i386  | x86 not run here: 32-bit Wine could not be installed (Unable to correct problems, you have held broken packages.)
32-bit kernel, the mirror whole again    | x86 x64 | x64  | -    | -      | 0 | update install:i386                          | this machine runs 32-bit and 64-bit programs
an x64 package refused                   | x64     | none | all  | wine64 | 1 | update update install                        | osslsigncode openssl ca-certificates (Unable to locate package wine64)
everything installed                     | x86 x64 | all  | -    | -      | 0 |                                              | this machine runs 32-bit and 64-bit programs
'

failures=0
row=0
while IFS='|' read -r name kernel before update refuse status calls says; do
  name=$(echo $name)
  [ -n "$name" ] || continue
  row=$((row + 1))
  case=$work/case$row
  mkdir -p "$case/state" "$case/cache/tarrow/host" "$case/wine/wine32" "$case/wine/wine64" "$case/lib"
  touch "$case/state/calls" "$case/state/archs" "$case/state/installed" \
    "$case/wine/wine32/.tarrow-prefix-v2" "$case/wine/wine64/.tarrow-prefix-v2"
  for arch in x86 x64; do
    if [[ " $(echo $kernel) " == *" $arch "* ]]; then
      printf '#!/bin/sh\nexit 42\n' >"$case/cache/tarrow/host/exit42-$arch"
    else
      printf '#!/bin/sh\necho "$0: cannot execute binary file: Exec format error" >&2\nexit 126\n' >"$case/cache/tarrow/host/exit42-$arch"
    fi
    chmod +x "$case/cache/tarrow/host/exit42-$arch"
  done
  case $(echo $before) in
    x64) printf '%s\n' "${required[@]}" >"$case/state/installed" ;;
    all) printf '%s\n' "${required[@]}" wine32:i386 >"$case/state/installed" ;;
  esac
  for p in $(cat "$case/state/installed"); do
    [ "$p" = wine64 ] && printf '#!/bin/sh\necho wine-8.0\n' >"$case/lib/wine64"
    [ "$p" = wine32:i386 ] && printf '#!/bin/sh\necho wine-8.0\n' >"$case/lib/wine"
  done
  chmod +x "$case"/lib/* 2>/dev/null
  # What an earlier set-up left on a 32-bit kernel, on a day the mirror was out of step.
  if [ "$(echo $before)" = x64 ]; then
    echo i386 >"$case/state/archs"
    echo "Unable to correct problems, you have held broken packages." >"$case/cache/tarrow/host/wine32-not-installed"
  fi

  env -u TARROW_HOST_ARCHS -u TARROW_HOST_PROBED -u TARROW_HOST_TOLD -u TARROW_ARCH -u WINEPREFIX \
    PATH="$work/bin:$PATH" XDG_CACHE_HOME="$case/cache" TARROW_WINE_DIR="$case/wine" \
    TARROW_WINE_LIBDIR="$case/lib" TARROW_APT_PAUSE=0 FAKE_STATE="$case/state" \
    FAKE_UPDATE=$(echo $update) FAKE_REFUSE=$(echo $refuse) \
    bash -c '"$1/scripts/setup" && . "$1/scripts/host.sh" && host_line test && host_not_run' _ "$root" \
    >"$case/out" 2>&1
  got_status=$?
  [ "$got_status" = 0 ] || got_status=1
  got_calls=$(echo $(cat "$case/state/calls"))

  problems=()
  [ "$got_status" = "$(echo $status)" ] || problems+=("set-up's status $got_status, not $(echo $status)")
  [ "$got_calls" = "$(echo $calls)" ] || problems+=("calls \"$got_calls\", not \"$(echo $calls)\"")
  says=$(echo $says)
  grep -q -F -- "$says" "$case/out" || problems+=("no line says \"$says\"")
  # Never a bare exit status: every stop names what failed.
  ! grep -q 'exit status' "$case/out" || problems+=("it ends on a bare exit status")
  if [[ " $(echo $kernel) " != *" x86 "* ]] && grep -q -i i386 "$case/out" "$case/state/calls"; then
    problems+=("i386 is mentioned on a host that runs no 32-bit programs")
  fi
  if [ ${#problems[@]} -eq 0 ]; then
    echo "ok: $name; what set-up and the scripts printed:"
    sed 's/^/  | /' "$case/out"
  else
    failures=$((failures + 1))
    echo "FAILED: $name:"
    printf '  %s\n' "${problems[@]}"
    echo "  what set-up and the scripts printed:"
    sed 's/^/  | /' "$case/out"
  fi
done <<<"$cases"
echo "$row cases, $failures failed"
[ "$row" -gt 0 ] && [ "$failures" = 0 ]
