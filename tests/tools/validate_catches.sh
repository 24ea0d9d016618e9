#!/usr/bin/env bash
# semhost validate against modules with one deliberate fault each: the named
# check fails with the fault in its reason and a replay line, and the run
# ends non-zero with the closing count; the same check passes on the real
# module.
#   validate_catches.sh SEMHOST PLUGIN_DIR
set -u
S=$1
P=$2
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
passed=0
failed=0

# expect_fail NAME PLUGIN CHECK PATTERN [extra options]
expect_fail() {
  local name=$1 plugin=$2 check=$3 pattern=$4
  shift 4
  "$S" validate "$P/$plugin.sem" --only "$check" --iterations 2 "$@" > "$T/out" 2>&1
  local code=$?
  if [ $code -ne 0 ] && grep -q "^FAIL $check .*$pattern" "$T/out" &&
     grep -q -- "replay: .* --only $check --in-process" "$T/out" &&
     [ "$(tail -n 1 "$T/out")" = "0 passed, 1 failed" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL $name (exit $code):"
    sed 's/^/    /' "$T/out"
  fi
}

expect_pass() {
  local name=$1 plugin=$2 check=$3
  if "$S" validate "$P/$plugin.sem" --only "$check" --iterations 2 > "$T/out" 2>&1 &&
     [ "$(tail -n 1 "$T/out")" = "1 passed, 0 failed" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL $name:"
    sed 's/^/    /' "$T/out"
  fi
}

expect_fail "a write past the block" broken_volts_1 processing "outside the block"
expect_fail "a write past the block, in-process" broken_volts_1 processing "outside the block" --in-process
expect_fail "an allocation in process" broken_volts_2 realtime "allocations"
expect_fail "a crash in a child" broken_volts_3 processing "crashed with signal"
expect_pass "the real module" ostrel_binary_v processing
expect_pass "the real module, real-time" ostrel_binary_v realtime

# A file that is no module of the family, and one that is no library.
"$S" validate "$P/../CMakeCache.txt" --only library > "$T/out" 2>&1
if [ $? -ne 0 ] && grep -q '^FAIL library' "$T/out" && [ "$(tail -n 1 "$T/out")" = "0 passed, 1 failed" ]; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
  echo "FAIL a file that is no library:"
  sed 's/^/    /' "$T/out"
fi

echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
