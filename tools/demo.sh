#!/usr/bin/env bash
# A short tour of the nine modules through semhost. Outputs go to build/demo/.
set -euo pipefail
cd "$(dirname "$0")/.."
S=build/native/tools/semhost/semhost
P=build/native/plugins
OUT=build/demo
mkdir -p "$OUT"

say() { printf '\n=== %s\n' "$*"; }

say "What each library is (semhost info)"
for m in v v_8 v_dn i f b gi gf gb; do
  $S info "$P/ostrel_binary_$m.sem" > "$OUT/info_$m.txt"
  printf '  %-22s %s\n' "ostrel_binary_$m.sem" "$(sed -n 's/^name: *//p' "$OUT/info_$m.txt")"
done
echo "  (full pin tables in $OUT/info_*.txt)"
sed -n '1,12p;/^pins:/,$p' "$OUT/info_i.txt"

say "Int module, A = 5, B = 3, all sixteen formulas"
$S table "$P/ostrel_binary_i.sem" --a 5 --b 3 | tee "$OUT/table_int.txt"

say "Float module: the bit patterns of 1.0 and 2.0"
$S table "$P/ostrel_binary_f.sem" --a 1.0 --b 2.0 | tee "$OUT/table_float.txt"

say "Bool module: the truth table"
$S table "$P/ostrel_binary_b.sem" | tee "$OUT/table_bool.txt"

say "GUI-only module: GuiFloat, NOT a of 1.0, the conversation with the host"
$S eval "$P/ostrel_binary_gf.sem" --formula 8 --a 1.0 --b 2.0 --trace | tee "$OUT/eval_guifloat.txt"

say "Two sines through the three voltage modules, a XOR b (formula 4)"
for m in v v_8 v_dn; do
  echo "--- ostrel_binary_$m"
  $S render "$P/ostrel_binary_$m.sem" --formula 4 --a sine:220:0.8 --b sine:331:0.6 --cap 10 \
     --seconds 1 --out "$OUT/xor_$m.wav" --plot "$OUT/xor_$m.png" | grep -vE '^(wrote|plot) '
done
echo
echo "The plain module passes denormals and NaNs on; the capped one clamps to"
echo "+-Cap and strips both to zero; the denormal-stripping one leaves no denormal."
echo "WAV files and plots: $OUT/xor_*.wav, $OUT/xor_*.png"

say "The plug-in files a user installs (32-bit Windows DLLs)"
if ls dist/*.sem >/dev/null 2>&1; then
  for f in dist/*.sem; do printf '  %-28s %8d bytes\n' "$f" "$(stat -c %s "$f")"; done
else
  echo "  dist/ is empty: run 'make dist' to build them"
fi
