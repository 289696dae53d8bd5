#!/usr/bin/env bash
# Runs a Windows program under Wine as on a machine whose operator keeps
# English formats over a Chinese system ("Language for non-Unicode
# programs"): Wine takes the ANSI code page from LANG and the formats locale
# from LC_TIME, LC_NUMERIC and LC_MONETARY, and what the program starts
# inherits both. scripts/wine-run sets LC_ALL, which would decide all of
# them at once.
#
#   tests/formats/english-formats.sh PROGRAM [ARGUMENTS...]
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/host.sh"
arch=$(pe_arch "$1") || arch=x86
if ! host_runs "$arch"; then
  why=TARROW_HOST_WHY_${arch^^}
  echo "english-formats: this machine cannot run $arch programs (${!why}): $1 is not run" >&2
  exit 126
fi
TARROW_ARCH=$arch
. "$root/scripts/env.sh"
# Set by env, not by this shell: the locales need not exist on the machine
# for Wine to take them, but the shell would complain of each one missing.
exec env -u LC_ALL LANG=zh_CN.UTF-8 LC_TIME=en_US.UTF-8 LC_NUMERIC=en_US.UTF-8 LC_MONETARY=en_US.UTF-8 \
  "$WINELOADER" "$@"
