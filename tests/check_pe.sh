#!/usr/bin/env bash
# Checks the Windows plug-in files as files, with the cross binutils:
#
#   tests/check_pe.sh [--deliverables] DIR [[--deliverables] DIR ...]
#
# Every *.sem in each DIR must be an i386 PE32 DLL that exports exactly
# getModuleProperties (ordinal 1) and makeModule (ordinal 2) by their plain
# names, and imports only Windows system DLLs (the C and C++ runtimes are
# linked in). A DIR marked --deliverables holds nothing but plug-ins that a
# user installs: every file in it must be one of the nine deliverables. Each
# DIR must hold at least one plug-in. Any deviation fails, naming the file.
set -uo pipefail

objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
command -v "$objdump" >/dev/null ||
  { echo "FAIL $objdump not found (package binutils-mingw-w64-i686)"; exit 1; }

deliverable_name='^ostrel_binary_(v|v_8|v_dn|i|f|b|gi|gf|gb)\.sem$'
# Windows system DLLs a plug-in may import; names compared in lower case.
allowed_import='^(kernel32|msvcrt|user32|advapi32|ntdll|ucrtbase|api-ms-win-[a-z0-9-]+)\.dll$'

status=0
fail() {
  echo "FAIL $1: $2"
  status=1
}

# The 16-bit machine field of the COFF header, read from the file itself.
pe_machine() {
  local off
  off=$(od -An -t u4 -j 60 -N 4 "$1" 2>/dev/null | tr -d ' ')
  [ -n "$off" ] || return
  [ "$(od -An -c -j "$off" -N 4 "$1" | tr -d ' ')" = 'PE\0\0' ] || return
  od -An -t x2 -j $((off + 4)) -N 2 "$1" | tr -d ' '
}

check_file() {
  local f=$1 dump ok=1
  if ! dump=$("$objdump" -p "$f" 2>&1); then
    fail "$f" "not a PE file ($(echo "$dump" | head -n 1))"
    return
  fi
  local machine
  machine=$(pe_machine "$f")
  [ "$machine" = 014c ] || { fail "$f" "machine is '${machine:-none}', not i386 (014c)"; ok=0; }
  grep -q 'file format pei-i386$' <<<"$dump" ||
    { fail "$f" "not pei-i386: $(grep -m1 'file format' <<<"$dump")"; ok=0; }
  grep -Eq '^Magic[[:space:]]+010b' <<<"$dump" || { fail "$f" "not PE32 (optional header magic)"; ok=0; }
  local chars
  chars=$(awk '/^Characteristics/ {print $2; exit}' <<<"$dump")
  if [ -z "$chars" ] || ((!(chars & 0x2000))); then
    fail "$f" "not a DLL (characteristics ${chars:-missing})"
    ok=0
  fi

  # Exports: ordinal = base + the index objdump shows in the name table.
  local base exports count
  base=$(awk '/Export Address Table -- Ordinal Base/ {print $NF; exit}' <<<"$dump")
  count=$(awk '/^Export Address Table -- Ordinal Base/ {on=1; next} on && /^$/ {exit}
               on && /Export RVA/ {n++} END {print n+0}' <<<"$dump")
  exports=$(awk -v base="${base:-0}" '
      /^\[Ordinal\/Name Pointer\] Table/ {on=1; next}
      on && /^$/ {exit}
      on {gsub(/[][]/, " "); print $1 + base, $2}' <<<"$dump" | sort -n | tr '\n' ' ')
  if [ -z "$base" ]; then
    fail "$f" "no export table"
    ok=0
  elif [ "$exports" != "1 getModuleProperties 2 makeModule " ] || [ "$count" != 2 ]; then
    fail "$f" "exports (ordinal name) are '${exports}' with $count address entries; want '1 getModuleProperties 2 makeModule'"
    ok=0
  fi

  local imports bad=()
  imports=$(awk '/DLL Name:/ {print $3}' <<<"$dump")
  [ -n "$imports" ] || { fail "$f" "imports no DLL at all"; ok=0; }
  for d in $imports; do
    grep -Eqi "$allowed_import" <<<"$d" || bad+=("$d")
  done
  if ((${#bad[@]})); then
    fail "$f" "imports ${bad[*]}: only Windows system DLLs are allowed (link the runtimes statically)"
    ok=0
  fi
  ((ok)) && echo "ok   $f ($(tr '\n' ' ' <<<"$imports")| exports $exports)"
}

(($#)) || { echo "usage: $0 [--deliverables] DIR ..."; exit 2; }
only_deliverables=0
for arg in "$@"; do
  if [ "$arg" = --deliverables ]; then
    only_deliverables=1
    continue
  fi
  dir=$arg
  if [ ! -d "$dir" ]; then
    fail "$dir" "no such folder"
  else
    n=0
    for f in "$dir"/* "$dir"/.[!.]*; do
      [ -e "$f" ] || continue
      name=$(basename "$f")
      if [ "${name%.sem}" = "$name" ] || [ ! -f "$f" ]; then
        ((only_deliverables)) && fail "$f" "not a plug-in file: $dir holds nothing but deliverables"
        continue
      fi
      if ((only_deliverables)) && ! grep -Eq "$deliverable_name" <<<"$name"; then
        fail "$f" "not one of the nine deliverables"
      fi
      n=$((n + 1))
      check_file "$f"
    done
    ((n > 0)) || fail "$dir" "holds no plug-in (*.sem) files"
  fi
  only_deliverables=0
done
exit $status
