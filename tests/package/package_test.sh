#!/usr/bin/env bash
# The release package as a user gets it: scripts/package packs this build's
# programs, the zip is unpacked into a fresh folder, and the unpacked tools
# convert the sample design and program and verify the simulated device from
# there, under Wine, with nothing of the build tree near them.
#
#   package_test.sh <source root> <build's bin folder> <project version> <work folder>
set -uo pipefail
if [ $# -ne 4 ]; then
  echo "usage: package_test.sh <source root> <bin folder> <version> <work folder>" >&2
  exit 2
fi
root=$1
bin=$2
version=$3
work=$4
package=$root/scripts/package
wine_run=$root/scripts/wine-run
name=Tarrow-$version-win32

failures=0
expect() {
  local what=$1
  shift
  if "$@"; then
    echo "ok   $what"
  else
    echo "FAIL $what"
    failures=$((failures + 1))
  fi
}

rm -rf "$work"
mkdir -p "$work"

# --- packing

dist=$work/dist
zipfile=$dist/$name.zip
mkdir -p "$dist"
# The archive of an earlier package, holding a file the new one must not carry.
echo stale >"$work/stale.txt"
(cd "$work" && zip -q "$zipfile" stale.txt)

printed=$("$package" --bin "$bin" --dist "$dist")
expect "scripts/package packs the build's programs" [ $? -eq 0 ]
expect "it prints where the package is" [ "$printed" = "$zipfile" ]
expect "nothing but the package is left in the output folder" [ "$(ls -A "$dist")" = "$name.zip" ]

listing=$(unzip -Z1 "$zipfile" | LC_ALL=C sort)
expected=$(
  for file in Tarrow.exe burnkit.exe stpconv.exe README.txt; do
    echo "$name/$file"
  done
  for stp in "$root"/examples/*.stp; do
    echo "$name/examples/${stp##*/}"
  done
)
expected=$(LC_ALL=C sort <<<"$expected")
expect "the package holds the programs, the readme and the examples, nothing else" [ "$listing" = "$expected" ]
[ "$listing" = "$expected" ] || diff <(echo "$expected") <(echo "$listing")

incomplete=$work/incomplete
mkdir -p "$incomplete"
cp "$bin/Tarrow.exe" "$bin/burnkit.exe" "$incomplete/"
"$package" --bin "$incomplete" --dist "$work/dist-incomplete" >/dev/null 2>"$work/incomplete.err"
expect "a bin folder without stpconv.exe is refused" [ $? -ne 0 ]
expect "the refusal names what is missing" grep -q 'stpconv.exe' "$work/incomplete.err"
expect "no package is made from it" [ ! -e "$work/dist-incomplete/$name.zip" ]

# --- the unpacked package

unpacked=$work/unpacked
mkdir -p "$unpacked"
if ! unzip -q "$zipfile" -d "$unpacked"; then
  echo "FAIL the package unpacks; nothing more to check"
  exit 1
fi
pkg=$unpacked/$name
for program in Tarrow.exe burnkit.exe stpconv.exe; do
  expect "$program is the build's" cmp -s "$bin/$program" "$pkg/$program"
done
for stp in "$root"/examples/*.stp; do
  expect "examples/${stp##*/} is the sample's" cmp -s "$stp" "$pkg/examples/${stp##*/}"
done
expect "Tarrow.exe carries the version the package is named after" \
  grep -qx "$version" <(strings -e l "$pkg/Tarrow.exe")

readme=$pkg/README.txt
every_line_ends_in_crlf() {
  local lines crlf
  lines=$(wc -l <"$1")
  crlf=$(grep -c $'\r$' "$1")
  [ "$lines" -gt 0 ] && [ "$lines" -eq "$crlf" ]
}
expect "README.txt starts with a UTF-8 byte order mark" [ "$(head -c 3 "$readme" | od -An -tx1 | tr -d ' \n')" = efbbbf ]
expect "README.txt is UTF-8 throughout" iconv -f UTF-8 -t UTF-16LE -o /dev/null "$readme"
expect "every line of README.txt ends in CRLF" every_line_ends_in_crlf "$readme"
expect "README.txt names the version" grep -q "Tarrow $version" "$readme"
expect "README.txt has a Chinese part" grep -q '【中文】' "$readme"
expect "README.txt has an English part" grep -q '^\[English\]' "$readme"
expect "README.txt has no placeholder left" bash -c "! grep -q '@[A-Z]*@' '$readme'"

# --- the unpacked tools at work

device=$work/device
device_windows="Z:${device//\//\\}"
code=
output=
# Runs a program of the package from its folder, the way Tarrow does:
# $code is its exit code, $output what it printed (ANSI code page 936),
# as UTF-8 without CRs.
run_tool() {
  (cd "$pkg" && BURNKIT_DEVICE_DIR=$device_windows BURNKIT_STEP_MS=0 \
    env -u BURNKIT_DEVICE "$wine_run" "$pkg/$1" "${@:2}" >"$work/tool.out" 2>"$work/tool.err")
  code=$?
  output=$(iconv -f CP936 -t UTF-8 <"$work/tool.out" | tr -d '\r')
}
last_line() {
  sed '/^[[:space:]]*$/d' <<<"$output" | tail -n 1
}
show_run() {
  echo "  exit code $code; output:"
  sed 's/^/  | /' <<<"$output"
  sed 's/^/  ! /' "$work/tool.err"
}
starts_with_dat_magic() {
  [ "$(head -c 4 "$1" 2>/dev/null)" = TRWD ]
}
device_programmed() {
  [ "$(stat -c %s "$1" 2>/dev/null)" = 8192 ] && [ "$(tr -d '\377' <"$1" | wc -c)" -gt 0 ]
}

run_tool stpconv.exe 'examples\blink_demo.stp' 'examples\blink_demo.dat'
expect "stpconv converts the sample design: exit code 0" [ "$code" -eq 0 ]
expect "stpconv's last line is the success line" [ "$(last_line)" = "Done. 转换完成。" ]
expect "the DAT file is written beside the design" starts_with_dat_magic "$pkg/examples/blink_demo.dat"
[ "$code" -eq 0 ] || show_run

run_tool stpconv.exe 'examples\bad_hex.stp' 'examples\bad_hex.dat'
expect "stpconv refuses the broken example: exit code 1" [ "$code" -eq 1 ]
expect "it says where the problem is" grep -q 'bad_hex.stp 第 6 行' <<<"$output"
expect "its last line is the failure line" [ "$(last_line)" = "转换失败。" ]
expect "no DAT file is left for it" [ ! -e "$pkg/examples/bad_hex.dat" ]

run_tool burnkit.exe -aprogram 'examples\blink_demo.dat'
expect "burnkit programs the design: exit code 0" [ "$code" -eq 0 ]
expect "burnkit's last line says programming is done" [ "$(last_line)" = "编程完成。" ]
expect "the simulated part holds the design" device_programmed "$device/TRW8K.bin"
[ "$code" -eq 0 ] || show_run

run_tool burnkit.exe -averify 'examples\blink_demo.dat'
expect "burnkit verifies the programmed part: exit code 0" [ "$code" -eq 0 ]
expect "burnkit's last line says verification passed" [ "$(last_line)" = "校验通过。" ]
[ "$code" -eq 0 ] || show_run

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed; the work folder is $work"
  exit 1
fi
echo "all checks passed"
