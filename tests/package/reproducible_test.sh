#!/usr/bin/env bash
# The same sources built in two folders give the same release, byte for
# byte: the archives and SHA256SUMS of scripts/package are compared.
#
#   reproducible_test.sh [--bin DIR] [WORK]
#
# Without --bin the tree (the files git knows, as they are now) is copied
# into two fresh folders of different names below WORK and both
# architectures are built from scratch in each; CTest runs it with --bin,
# which compares the release of that build (its architecture read from its
# programs) with one built from a copy elsewhere. Nothing is run but the
# build tools, so it passes on any machine that builds. WORK defaults to a
# temporary folder, removed afterwards.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)

bin=
work=
while [ $# -gt 0 ]; do
  case "$1" in
    --bin) bin=$(cd "$2" && pwd) || exit 2; shift 2 ;;
    -*) echo "usage: reproducible_test.sh [--bin <build's bin folder>] [<work folder>]" >&2; exit 2 ;;
    *) work=$1; shift ;;
  esac
done
if [ -z "$work" ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi
rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)

. "$root/scripts/host.sh"
version=$(sed -n 's/^project(Tarrow VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
archs=(x86 x64)
if [ -n "$bin" ]; then
  archs=("$(pe_arch "$bin/Tarrow.exe")") || {
    echo "FAIL $bin/Tarrow.exe is not a Windows program"
    exit 1
  }
fi
files=()
for arch in "${archs[@]}"; do
  name=$(release_name "$arch" "$version")
  files+=("$name.zip" "$name-symbols.zip")
done
files+=(SHA256SUMS)
# Both releases take their file times from the same commit.
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null) ||
    SOURCE_DATE_EPOCH=$(stat -c %Y "$root/CMakeLists.txt")
fi
export SOURCE_DATE_EPOCH

# A copy of the tree, without builds or releases, in folder $1.
copy_tree() {
  mkdir -p "$1"
  if git -C "$root" rev-parse --git-dir >/dev/null 2>&1; then
    (cd "$root" && git ls-files -z --cached --others --exclude-standard |
      tar --null --ignore-failed-read -cf - -T - 2>/dev/null) | tar -xf - -C "$1"
  else
    (cd "$root" && tar --exclude='./build*' --exclude=./dist --exclude=./out -cf - .) | tar -xf - -C "$1"
  fi
}
# Builds the shipped programs of the tree in $1 and packs them into $2.
build_and_pack() {
  local arch bins=()
  for arch in "${archs[@]}"; do
    echo "building $arch in $1"
    if ! env -u TARROW_BUILD_DIR "$1/scripts/build" --arch "$arch" --target Tarrow burnkit stpconv \
      >"$1.build.log" 2>&1; then
      tail -n 30 "$1.build.log"
      echo "FAIL the $arch build in $1"
      exit 1
    fi
    bins+=(--bin "$1/build/$arch/bin")
  done
  pack "$1" "$2" "${bins[@]}"
}
# Packs with the packer of tree $1 into $2 the bin folders given after them
# (each after --bin).
pack() {
  if ! "$1/scripts/package" --dist "$2" "${@:3}" >/dev/null 2>"$2.log"; then
    cat "$2.log"
    echo "FAIL packing ${*:3}"
    exit 1
  fi
}

if [ -n "$bin" ]; then
  first=$work/here
  pack "$root" "$first" --bin "$bin"
  echo "packed the build $bin"
else
  first=$work/first
  copy_tree "$work/a/tarrow"
  build_and_pack "$work/a/tarrow" "$first"
fi
second=$work/second
copy_tree "$work/elsewhere/a-longer-folder-name/tarrow-copy"
build_and_pack "$work/elsewhere/a-longer-folder-name/tarrow-copy" "$second"

failures=0
for file in "${files[@]}"; do
  if cmp -s "$first/$file" "$second/$file"; then
    echo "ok   $file is the same from both folders"
  else
    echo "FAIL $file differs between the two folders"
    failures=$((failures + 1))
  fi
done
echo "sums from the first folder:"
sed 's/^/  /' "$first/SHA256SUMS"
echo "sums from the second folder:"
sed 's/^/  /' "$second/SHA256SUMS"

if [ "$failures" -gt 0 ]; then
  # Which files differ, to start looking from.
  for side in "$first" "$second"; do
    for archive in "${files[@]}"; do
      [ "$archive" = SHA256SUMS ] || unzip -q -o "$side/$archive" -d "$side.unpacked"
    done
  done
  diff -rq "$first.unpacked" "$second.unpacked"
  echo "$failures file(s) differ; the work folder is $work"
  trap - EXIT
  exit 1
fi
echo "all checks passed"
