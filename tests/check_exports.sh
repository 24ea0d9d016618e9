#!/usr/bin/env bash
# Every plug-in in the folder exports getModuleProperties and makeModule and
# nothing else.
set -u
dir=$1
status=0
count=0
for f in "$dir"/*.sem; do
  count=$((count + 1))
  got=$(nm -D --defined-only "$f" | awk '{print $NF}' | sort | tr '\n' ' ')
  if [ "$got" != "getModuleProperties makeModule " ]; then
    echo "FAIL $f exports: $got"
    status=1
  else
    echo "ok   $f"
  fi
done
if [ "$count" = 0 ]; then echo "FAIL no plug-ins in $dir"; exit 1; fi
exit $status
