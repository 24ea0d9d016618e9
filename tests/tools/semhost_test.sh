#!/usr/bin/env bash
# semhost against the real plug-ins: golden output of info and table, the call
# sequence of eval --trace, render summaries with known counts, and every
# error with its message and exit code.
#   semhost_test.sh SEMHOST PLUGIN_DIR GOLDEN_DIR
set -u
S=$1
P=$2
G=$3
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
passed=0
failed=0

check() {  # name, then a command that succeeds when the check holds
  local name=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL $name"
  fi
}

# expect CODE PATTERN -- command...: exit code and a line of output matching
expect() {
  local code=$1 pattern=$2
  shift 3
  "$@" > "$T/out" 2>&1
  local got=$?
  if [ "$got" != "$code" ]; then echo "  exit $got, wanted $code: $*"; cat "$T/out"; return 1; fi
  grep -qE -- "$pattern" "$T/out" || { echo "  no '$pattern' in output of: $*"; cat "$T/out"; return 1; }
}

golden() {  # name, golden file, command...
  local file=$1
  shift
  "$@" 2>&1 | sed "s#$P/##" > "$T/golden"
  diff -u "$G/$file" "$T/golden"
}

check "info Int golden" golden info_i.txt "$S" info "$P/ostrel_binary_i.sem"
check "table Int 5 3 golden" golden table_int_5_3.txt "$S" table "$P/ostrel_binary_i.sem" --a 5 --b 3
check "table Float 1.0 2.0 golden" golden table_float_1_2.txt "$S" table "$P/ostrel_binary_f.sem" --a 1.0 --b 2.0
check "table Bool golden" golden table_bool.txt "$S" table "$P/ostrel_binary_b.sem"

# eval --trace of the Int module: the host calls as the module makes them.
trace_int() {
  "$S" eval "$P/ostrel_binary_i.sem" --formula 0 --a 12 --b 10 --trace > "$T/trace" || return 1
  grep -E '^(dsp|gui) -> host' "$T/trace" | awk '{print $1, $4, $5, $6, $7}' > "$T/calls"
  diff -u "$G/eval_trace_int_calls.txt" "$T/calls" && grep -qx 'C = 8 (0x00000008)' "$T/trace"
}
check "eval --trace Int call sequence" trace_int

check "eval GuiInt" expect 0 '^C = 8 ' -- "$S" eval "$P/ostrel_binary_gi.sem" --a 12 --b 10
check "eval GuiFloat NOT a" expect 0 'bits 0xC07FFFFF' -- "$S" eval "$P/ostrel_binary_gf.sem" --formula 8 --a 1.0
check "eval Float raw bits" expect 0 'bits 0x7FC00001, NaN' -- "$S" eval "$P/ostrel_binary_f.sem" --formula 6 --a bits:0x7FC00001
check "eval Volts XOR denormal" expect 0 'bits 0x000CCCCD, denormal' -- "$S" eval "$P/ostrel_binary_v.sem" --formula 4 --a 0.5 --b 0.25
check "eval Volts Cap strips" expect 0 'bits 0x00000000, zero' -- "$S" eval "$P/ostrel_binary_v_8.sem" --formula 4 --a 0.5 --b 0.25 --cap 10
check "eval clamps formula" expect 0 '^formula 15 "SET -> c"' -- "$S" eval "$P/ostrel_binary_i.sem" --formula 99

# render: held inputs give one held denormal, one sleep after the first block.
render_static() {
  "$S" render "$P/ostrel_binary_v.sem" --formula 4 --a const:0.5 --b const:0.25 --rate 48000 \
     --block 256 --seconds 0.1 --out "$T/s.wav" > "$T/sum" || return 1
  grep -qx 'samples   4800' "$T/sum" && grep -qx 'sleeps    1' "$T/sum" &&
  grep -qx 'denormal  4800' "$T/sum" && grep -qx 'normal    0' "$T/sum" &&
  [ "$(stat -c %s "$T/s.wav")" = $((56 + 4800 * 4)) ]
}
check "render static summary" render_static
render_clear() {
  "$S" render "$P/ostrel_binary_v_dn.sem" --formula 14 --a sine:100 --b noise --seconds 0.05 \
     --out "$T/c.wav" --plot "$T/c.png" > "$T/sum" || return 1
  grep -qx 'zero      2400' "$T/sum" && grep -qx 'sleeps    0' "$T/sum" && [ -s "$T/c.png" ]
}
check "render CLEAR summary and plot" render_clear
# The WAV keeps every bit: the held denormal is in the file as written. (The
# three marked fills went to the selections of the formula writes at start.)
wav_bits() {
  od -An -tx4 -j 56 -N 8 "$T/s.wav" | grep -q '000ccccd 000ccccd'
}
check "render WAV keeps the bits (the held denormal pattern)" wav_bits

# Errors: message and exit code.
check "no command" expect 2 'no command given' -- "$S"
check "unknown command" expect 2 "unknown command 'frob'" -- "$S" frob x
check "missing file" expect 1 'no such file' -- "$S" info "$T/none.sem"
printf 'not a library' > "$T/text.sem"
check "not a library" expect 1 'not a loadable shared library' -- "$S" info "$T/text.sem"
check "no exports" expect 1 'not a module library: it does not export getModuleProperties' -- \
  "$S" info "$(gcc -print-file-name=libm.so.6)"
check "render on Int" expect 1 'render works on voltage modules' -- \
  "$S" render "$P/ostrel_binary_i.sem" --formula 0 --a const:1 --b const:1 --out "$T/x.wav"
check "bad value" expect 2 "bad value for --a: 'five'" -- "$S" eval "$P/ostrel_binary_i.sem" --a five
check "bad bool" expect 2 "bad value for --a" -- "$S" eval "$P/ostrel_binary_b.sem" --a 2
check "unknown option" expect 2 'unknown option --frob' -- "$S" table "$P/ostrel_binary_i.sem" --frob 1
check "cap on a module without Cap" expect 2 'Cap pin' -- "$S" eval "$P/ostrel_binary_v.sem" --cap 1
check "bad source" expect 1 "bad source 'sine'" -- \
  "$S" render "$P/ostrel_binary_v.sem" --formula 0 --a sine --b const:0 --out "$T/x.wav"
check "unreadable audio" expect 1 'cannot read audio file' -- \
  "$S" render "$P/ostrel_binary_v.sem" --formula 0 --a "$T/text.sem" --b const:0 --out "$T/x.wav"
"$S" render "$P/ostrel_binary_v.sem" --formula 6 --a sine:50 --b const:0 --rate 44100 --seconds 0.01 --out "$T/r44.wav" > /dev/null
check "rate mismatch" expect 1 'sample rate mismatch' -- \
  "$S" render "$P/ostrel_binary_v.sem" --formula 0 --a "$T/r44.wav" --b const:0 --rate 48000 --out "$T/x.wav"
check "audio file source" expect 0 'samples   441' -- \
  "$S" render "$P/ostrel_binary_v.sem" --formula 6 --a "$T/r44.wav" --b const:0 --seconds 0.01 --out "$T/y.wav"
check "help" expect 0 'example: semhost render' -- "$S" render --help
check "version" expect 0 '^semhost 1\.0\.0$' -- "$S" --version

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
