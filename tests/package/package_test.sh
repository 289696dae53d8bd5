#!/usr/bin/env bash
# The release as a user and an IT department get it: scripts/package packs
# this build's programs; the archives are unpacked into a fresh folder; the
# programs' PE headers, version records, manifest, debug links and start-up
# are looked at; a signed release is made with a throwaway certificate and
# its signatures checked; and the unpacked tools convert the sample design
# and program and verify the simulated device from there, under Wine, with
# nothing of the build tree near them. On a machine that cannot run this
# build's architecture everything is checked but the runs, and the test says
# which checks it left out and why.
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
here=$(cd "$(dirname "$0")" && pwd)
package=$root/scripts/package
wine_run=$root/scripts/wine-run
programs=(Tarrow.exe burnkit.exe stpconv.exe)

. "$root/scripts/host.sh"
arch=$(pe_arch "$bin/Tarrow.exe") || {
  echo "FAIL $bin/Tarrow.exe is not a Windows program"
  exit 1
}
# What tells the architectures apart in their releases: the name, the cross
# tools, the header and manifest, the entry functions' symbols (x86's
# carry the calling convention).
name=$(release_name "$arch" "$version")
triple=$(cross_triple "$arch")
if [ "$arch" = x64 ]; then
  machine=amd64
  manifest_arch=amd64
  declare -A entries=([Tarrow.exe]=wWinMain [burnkit.exe]=main [stpconv.exe]=main)
else
  machine=i386
  manifest_arch=x86
  declare -A entries=([Tarrow.exe]=_wWinMain@16 [burnkit.exe]=_main [stpconv.exe]=_main)
fi
if host_runs "$arch"; then
  runs=1
  echo "the $arch programs run on this machine: every check"
else
  runs=
  why=TARROW_HOST_WHY_${arch^^}
  echo "this machine cannot run $arch programs (${!why}): the programs are checked, not run"
fi
# Runs check $1 only where the programs run; elsewhere says it was left out.
where_they_run() {
  if [ -n "$runs" ]; then
    return 0
  fi
  echo "not run here: $1"
  return 1
}

failures=0
lacks() {
  ! grep -q -F -e "$1" "${@:2}"
}
# Whether $1 matches the glob pattern $2.
# shellcheck disable=SC2053
like() {
  [[ "$1" == $2 ]]
}
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
symbolsfile=$dist/$name-symbols.zip
mkdir -p "$dist"
# The archive of an earlier package, holding a file the new one must not carry.
echo stale >"$work/stale.txt"
(cd "$work" && zip -q "$zipfile" stale.txt)

printed=$("$package" --bin "$bin" --dist "$dist" 2>"$work/package.err")
expect "scripts/package packs the build's programs" [ $? -eq 0 ]
expect "it prints where the package, the symbols and the checksums are" \
  [ "$printed" = "$(printf '%s\n' "$zipfile" "$symbolsfile" "$dist/SHA256SUMS")" ]
expect "it says that the programs are not signed" grep -q 'NOT signed' "$work/package.err"
expect "nothing but the release is left in the output folder" \
  [ "$(ls -A "$dist" | LC_ALL=C sort | paste -sd' ')" = "SHA256SUMS $name-symbols.zip $name.zip" ]
expect "SHA256SUMS holds the checksums of both archives" \
  [ "$(cut -d' ' -f3 "$dist/SHA256SUMS" | paste -sd' ')" = "$name.zip $name-symbols.zip" ]
expect "and they are right" bash -c "cd '$dist' && sha256sum --quiet -c SHA256SUMS"

listing=$(unzip -Z1 "$zipfile" | LC_ALL=C sort)
expected=$(
  for file in "${programs[@]}" README.txt; do
    echo "$name/$file"
  done
  for stp in "$root"/examples/*.stp; do
    echo "$name/examples/${stp##*/}"
  done
)
expected=$(LC_ALL=C sort <<<"$expected")
expect "the package holds the programs, the readme and the examples, nothing else" [ "$listing" = "$expected" ]
[ "$listing" = "$expected" ] || diff <(echo "$expected") <(echo "$listing")
expect "the symbols archive holds one debug file per program, in the package's folder" \
  [ "$(unzip -Z1 "$symbolsfile" | paste -sd' ')" = "$name/Tarrow.exe.debug $name/burnkit.exe.debug $name/stpconv.exe.debug" ]
# A build's archives differ from another's only where the files do.
expect "the archive's entries are in byte order" [ "$(unzip -Z1 "$zipfile")" = "$listing" ]
commit_time=$(git -C "$root" log -1 --format=%ct 2>/dev/null)
if [ -n "$commit_time" ]; then
  stamp=$(TZ=UTC date -d "@$commit_time" '+%Y%m%d.%H%M')
  every_time_is_the_commits() {
    [ -z "$(unzip -Z -T "$1" | awk -v s="$stamp" '/^-/ && substr($7, 1, 13) != s')" ]
  }
  expect "every file in the package has the last commit's time" every_time_is_the_commits "$zipfile"
  expect "every file in the symbols archive has the last commit's time" every_time_is_the_commits "$symbolsfile"
fi

incomplete=$work/incomplete
mkdir -p "$incomplete"
cp "$bin/Tarrow.exe" "$bin/burnkit.exe" "$incomplete/"
"$package" --bin "$incomplete" --dist "$work/dist-incomplete" >/dev/null 2>"$work/incomplete.err"
expect "a bin folder without stpconv.exe is refused" [ $? -ne 0 ]
expect "the refusal names what is missing" grep -q 'stpconv.exe' "$work/incomplete.err"
expect "no package is made from it" [ ! -e "$work/dist-incomplete/$name.zip" ]

# --- the unpacked programs: what the loader and an IT department see

unpacked=$work/unpacked
mkdir -p "$unpacked"
if ! unzip -q "$zipfile" -d "$unpacked"; then
  echo "FAIL the package unpacks; nothing more to check"
  exit 1
fi
pkg=$unpacked/$name

# One fact of pe_info.py's report on a file.
pe() {
  python3 "$here/pe_info.py" "$1" | sed -n "s/^$2 //p"
}
has_flag() {
  [[ ",$(pe "$1" "$2")," == *",$3,"* ]]
}
no_debug_sections() {
  [[ ",$(pe "$1" sections)" != *",.debug_"* ]]
}
code_of() {
  "$triple-objcopy" -O binary --only-section=.text "$1" "$2"
}
for program in "${programs[@]}"; do
  exe=$pkg/$program
  expect "$program: a $arch program" [ "$(pe "$exe" machine)" = "$machine" ]
  if [ "$arch" = x64 ]; then
    expect "$program: high-entropy ASLR (HIGH_ENTROPY_VA)" has_flag "$exe" dll_characteristics HIGH_ENTROPY_VA
  else
    expect "$program: large-address aware (4 GB on 64-bit Windows)" has_flag "$exe" characteristics LARGE_ADDRESS_AWARE
  fi
  expect "$program: ASLR (DYNAMIC_BASE)" has_flag "$exe" dll_characteristics DYNAMIC_BASE
  expect "$program: with the relocations ASLR needs" [ "$(pe "$exe" base_relocations)" -gt 0 ]
  expect "$program: NX_COMPAT" has_flag "$exe" dll_characteristics NX_COMPAT
  expect "$program: TERMINAL_SERVER_AWARE" has_flag "$exe" dll_characteristics TERMINAL_SERVER_AWARE
  expect "$program: subsystem version 6.1 (Windows 7)" [ "$(pe "$exe" subsystem_version)" = 6.1 ]
  expect "$program: no time stamp in the header" [ "$(pe "$exe" timestamp)" = 0 ]
  expect "$program: the header's checksum is right" [ "$(pe "$exe" checksum)" = ok ]
  expect "$program: no debug sections" no_debug_sections "$exe"
  code_of "$exe" "$work/packaged.text"
  code_of "$bin/$program" "$work/built.text"
  expect "$program: the build's code" cmp -s "$work/built.text" "$work/packaged.text"
  echo "     $program: $(python3 "$here/pe_info.py" "$exe" | grep -E '^(characteristics|dll_characteristics|subsystem_version|timestamp) ' | paste -sd' ')"
done
expect "Tarrow.exe is a GUI program" [ "$(pe "$pkg/Tarrow.exe" subsystem)" = WINDOWS_GUI ]
expect "burnkit.exe is a console program" [ "$(pe "$pkg/burnkit.exe" subsystem)" = WINDOWS_CUI ]
expect "stpconv.exe is a console program" [ "$(pe "$pkg/stpconv.exe" subsystem)" = WINDOWS_CUI ]
for stp in "$root"/examples/*.stp; do
  expect "examples/${stp##*/} is the sample's" cmp -s "$stp" "$pkg/examples/${stp##*/}"
done

# The version record's strings as KEY=VALUE lines, UTF-8; the dialogs' texts
# of Tarrow.exe as TEXT=... lines.
resource_texts() {
  "$triple-windres" -i "$1" -O rc 2>/dev/null | python3 -c '
import re, sys
def text(quoted):
    return re.sub(r"\\x([0-9a-fA-F]{4})", lambda m: chr(int(m[1], 16)), quoted)
for line in sys.stdin:
    value = re.match(r"\s*VALUE \"(\w+)\", L?\"(.*)\"\s*$", line)
    if value:
        print(value[1] + "=" + text(value[2]))
    control = re.match(r"\s*LTEXT L?\"(.*?)\",", line)
    if control:
        print("TEXT=" + text(control[1]))
    block = re.match(r"\s*BLOCK \"([0-9a-fA-F]{8})\"", line)
    if block:
        print("BLOCK=" + block[1])
    translation = re.match(r"\s*VALUE \"Translation\", (.*)$", line)
    if translation:
        print("Translation=" + translation[1].strip())
'
}
record() {
  sed -n "s/^$1=//p" "$work/$program.version"
}
companies=
for program in "${programs[@]}"; do
  resource_texts "$pkg/$program" >"$work/$program.version"
  expect "$program: a version record in Chinese (PRC), code page 936" \
    [ "$(record BLOCK)/$(record Translation)" = "080403a8/0x804, 936" ]
  expect "$program: product Tarrow, version $version" \
    [ "$(record ProductName)/$(record ProductVersion)/$(record FileVersion)" = "Tarrow/$version/$version" ]
  expect "$program: its own file name" [ "$(record OriginalFilename)/$(record InternalName)" = "$program/$program" ]
  expect "$program: a maker" [ -n "$(record CompanyName)" ]
  expect "$program: a description" [ -n "$(record FileDescription)" ]
  expect "$program: the copyright names the maker" grep -q "^LegalCopyright=.*(C) .*$(record CompanyName)\$" "$work/$program.version"
  companies+="$(record CompanyName)"$'\n'
done
expect "the three programs have one maker" [ "$(sort -u <<<"$companies" | sed '/^$/d' | wc -l)" -eq 1 ]
expect "Tarrow.exe's copyright is the notice line of its about box" \
  grep -qxF "TEXT=$(sed -n 's/^LegalCopyright=//p' "$work/Tarrow.exe.version")" "$work/Tarrow.exe.version"
expect "Tarrow.exe's description is Tarrow" grep -qx "FileDescription=Tarrow" "$work/Tarrow.exe.version"
# Windows binds the common controls of the architecture the manifest names:
# an x64 program must not name x86 ones.
manifest_archs() {
  "$triple-windres" -i "$1" -O rc 2>/dev/null | grep -o 'processorArchitecture=""[^"]*""' | cut -d'"' -f3 | paste -sd' '
}
expect "Tarrow.exe's manifest names $manifest_arch for itself and for the common controls" \
  [ "$(manifest_archs "$pkg/Tarrow.exe")" = "$manifest_arch $manifest_arch" ]

# --- debug symbols: beside the programs, a debugger finds them

if ! unzip -q "$symbolsfile" -d "$unpacked"; then
  echo "FAIL the symbols archive unpacks into the package's folder"
  failures=$((failures + 1))
fi
# The address of the program's entry function, from its symbols.
entry_of() {
  "$triple-nm" "$2" 2>/dev/null | awk -v f="$1" '$3 == f { print "0x" $1; exit }'
}
declare -A sources=([Tarrow.exe]=framework/AppMain.cpp [burnkit.exe]=tools/burnkit/main.cpp [stpconv.exe]=tools/stpconv/main.cpp)
for program in "${programs[@]}"; do
  exe=$pkg/$program
  debug=$pkg/$program.debug
  expect "$program links to its debug file and its checksum" \
    [ "$(pe "$exe" debuglink)" = "$program.debug $(pe "$debug" crc32)" ]
  expect "$program.debug holds the debug information" \
    [ "$(pe "$debug" sections | tr ',' '\n' | grep -c '^\.debug_info$')" -eq 1 ]
  address=$(entry_of "${entries[$program]}" "$debug")
  where=$("$triple-addr2line" -e "$exe" "${address:-0}" 2>/dev/null)
  expect "$program: its entry point is found in ${sources[$program]}, through the link ($where)" \
    like "$where" "/tarrow/${sources[$program]}:[0-9]*"
done
expect "the programs and their debug information name no folder of this build" \
  lacks "$root" "$pkg"/*.exe "$pkg"/*.debug
expect "nor of its build tree" lacks "$(cd "$bin/.." && pwd)" "$pkg"/*.exe "$pkg"/*.debug
mv "$pkg/Tarrow.exe.debug" "$work/"
where=$("$triple-addr2line" -e "$pkg/Tarrow.exe" "$(entry_of "${entries[Tarrow.exe]}" "$work/Tarrow.exe.debug")" 2>/dev/null)
expect "without its debug file Tarrow.exe tells no source line ($where)" like "$where" '[?][?]:*'
rm -f "$pkg"/*.debug

# --- start-up: DLLs from the system folder only

if where_they_run "each program's DLL search at start-up, seen in Wine's relay trace"; then
  # Wine's relay trace shows every call into its DLLs with the arguments.
  # 0x800 is LOAD_LIBRARY_SEARCH_SYSTEM32.
  for program in burnkit.exe stpconv.exe; do
    (cd "$pkg" && WINEDEBUG=+relay "$wine_run" "$pkg/$program" 2>&1 >/dev/null |
      grep -a -m1 -o 'SetDefaultDllDirectories([0-9a-f]*)' >"$work/dll-directories")
    expect "$program limits DLL loading to the system folder at start-up" \
      grep -qx 'SetDefaultDllDirectories(0*800)' "$work/dll-directories"
  done
  # Tarrow.exe does not end by itself: it runs until the call has shown, then
  # is stopped, before its window is of use to anyone.
  rm -f "$work/dll-directories"
  (cd "$pkg" && exec env WINEDEBUG=+relay "$wine_run" "$pkg/Tarrow.exe" \
    2> >(grep -a -m1 -o 'SetDefaultDllDirectories([0-9a-f]*)' >"$work/dll-directories") >/dev/null) &
  tarrow=$!
  for _ in $(seq 900); do
    [ -s "$work/dll-directories" ] && break
    kill -0 "$tarrow" 2>/dev/null || break
    sleep 0.1
  done
  kill "$tarrow" 2>/dev/null
  wait "$tarrow" 2>/dev/null
  expect "Tarrow.exe limits DLL loading to the system folder at start-up" \
    grep -qx 'SetDefaultDllDirectories(0*800)' "$work/dll-directories"
fi

# --- the readme

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
if [ "$arch" = x64 ]; then bits=64; else bits=32; fi
expect "README.txt names the architecture" grep -q "Tarrow $version（$bits 位 Windows，$arch）" "$readme"
expect "and in English" grep -q "This is the $bits-bit ($arch) build" "$readme"
if [ -n "$runs" ]; then
  expect "README.txt says the machine that made it runs its programs" grep -q "package test runs these programs" "$readme"
else
  expect "README.txt says its programs were only checked, not run" grep -q "were only checked there" "$readme"
fi
expect "README.txt says one of the two" [ "$(grep -c -e 'package test runs these' -e 'were only checked there' "$readme")" = 1 ]
expect "README.txt has a Chinese part" grep -q '【中文】' "$readme"
expect "README.txt has an English part" grep -q '^\[English\]' "$readme"
expect "README.txt has no placeholder left" bash -c "! grep -q '@[A-Z]*@' '$readme'"
expect "README.txt names the symbols archive" grep -q "$name-symbols.zip" "$readme"
expect "README.txt says the programs are not signed" grep -q 'are not signed' "$readme"
expect "README.txt says so in Chinese too" grep -q '没有数字签名' "$readme"
expect "README.txt does not claim a signature" lacks 'carry an Authenticode' "$readme"
expect "nor in Chinese" lacks '带有 Authenticode' "$readme"

# --- a signed release

signing=$work/signing
mkdir -p "$signing"
password='pa$$ word "1"'
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$signing/key.pem" -out "$signing/cert.pem" -days 2 \
  -subj "/CN=Tarrow Package Test/O=Tarrow" -addext extendedKeyUsage=codeSigning >/dev/null 2>&1
openssl pkcs12 -export -inkey "$signing/key.pem" -in "$signing/cert.pem" -out "$signing/cert.pfx" \
  -passout "pass:$password" >/dev/null 2>&1
expect "a throwaway code-signing certificate is made" [ -s "$signing/cert.pfx" ]

env -u TARROW_SIGN_PASSWORD "$package" --bin "$bin" --dist "$signing/no-password" --sign "$signing/cert.pfx" \
  >/dev/null 2>"$signing/no-password.err"
expect "--sign without TARROW_SIGN_PASSWORD is refused" [ $? -ne 0 ]
expect "the refusal names the variable" grep -q TARROW_SIGN_PASSWORD "$signing/no-password.err"
TARROW_SIGN_PASSWORD=wrong "$package" --bin "$bin" --dist "$signing/wrong" --sign "$signing/cert.pfx" \
  >/dev/null 2>"$signing/wrong.err"
expect "a wrong password is refused" [ $? -ne 0 ]
expect "no release is made with it" [ ! -e "$signing/wrong/$name.zip" ]
"$package" --bin "$bin" --dist "$signing/unsigned" --timestamp http://localhost/ >/dev/null 2>&1
expect "--timestamp without --sign is refused" [ $? -ne 0 ]

TARROW_SIGN_PASSWORD=$password "$package" --bin "$bin" --dist "$signing/dist" --sign "$signing/cert.pfx" \
  >"$signing/package.out" 2>"$signing/package.err"
expect "scripts/package --sign makes a signed release" [ $? -eq 0 ]
[ -s "$signing/dist/$name.zip" ] || sed 's/^/  ! /' "$signing/package.err"
expect "it says that the programs are signed" grep -q 'are signed' "$signing/package.err"
expect "the password shows nowhere in its output" lacks "$password" "$signing/package.out" "$signing/package.err"
signed=$signing/unpacked
mkdir -p "$signed"
unzip -q "$signing/dist/$name.zip" -d "$signed"
verify() {
  osslsigncode verify -CAfile "$signing/cert.pem" -in "$1" >"$signing/verify.out" 2>&1
}
for program in "${programs[@]}"; do
  exe=$signed/$name/$program
  # Our certificate is the only trusted root: the signature must be
  # whole, match the file and chain to it.
  verify "$exe"
  expect "$program carries a valid Authenticode signature by the given certificate" [ $? -eq 0 ]
  expect "its signer is the certificate's subject" grep -q 'Subject: .*CN *= *Tarrow Package Test' "$signing/verify.out"
  expect "signing kept its PE flags" [ "$(pe "$exe" dll_characteristics)/$(pe "$exe" subsystem_version)" = \
    "$(pe "$pkg/$program" dll_characteristics)/$(pe "$pkg/$program" subsystem_version)" ]
  expect "signing kept its debug link" [ "$(pe "$exe" debuglink)" = "$(pe "$pkg/$program" debuglink)" ]
  verify "$pkg/$program"
  expect "$program of the unsigned release carries no signature" [ $? -ne 0 ]
done
tampered=$signing/tampered.exe
cp "$signed/$name/stpconv.exe" "$tampered"
printf '\xcc' | dd of="$tampered" bs=1 seek=4096 conv=notrunc 2>/dev/null
verify "$tampered"
expect "a signed program changed afterwards fails the check" [ $? -ne 0 ]
expect "the signed README.txt says the programs are signed" grep -q 'carry an Authenticode signature' "$signed/$name/README.txt"
expect "and does not say they are not" lacks 'are not signed' "$signed/$name/README.txt"
expect "nor in Chinese" lacks '没有数字签名' "$signed/$name/README.txt"

# --- the unpacked tools at work

if where_they_run "the unpacked tools converting, programming and verifying, signed and unsigned"; then
  device=$work/device
  device_windows="Z:${device//\//\\}"
  code=
  output=
  # Runs a program of a package from its folder, the way Tarrow does:
  # $code is its exit code, $output what it printed (ANSI code page 936),
  # as UTF-8 without CRs.
  run_tool_in() {
    local folder=$1
    (cd "$folder" && BURNKIT_DEVICE_DIR=$device_windows BURNKIT_STEP_MS=0 \
      env -u BURNKIT_DEVICE "$wine_run" "$folder/$2" "${@:3}" >"$work/tool.out" 2>"$work/tool.err")
    code=$?
    output=$(iconv -f CP936 -t UTF-8 <"$work/tool.out" | tr -d '\r')
  }
  run_tool() {
    run_tool_in "$pkg" "$@"
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

  run_tool_in "$signed/$name" stpconv.exe 'examples\blink_demo.stp' 'examples\blink_demo.dat'
  expect "the signed stpconv converts the sample design too" [ "$code/$(last_line)" = "0/Done. 转换完成。" ]
  [ "$code" -eq 0 ] || show_run
fi

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed; the work folder is $work"
  exit 1
fi
echo "all checks passed"
