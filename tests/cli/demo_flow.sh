#!/usr/bin/env bash
# The headless demo (scripts/demo-flow) against data/demo: its Data Package holds one
# row per demo offer with the category, properties, SKUs and pictures of
# data/demo/expected-rows.tsv, and the pictures and description pictures on disk.
# Argument 1: the folder holding the binaries.
set -euo pipefail
bin="$1"
here="$(cd "$(dirname "$0")" && pwd)"
root="$here/../.."
demo="$root/data/demo"
source "$here/../support/cli_test.sh"

"$root/scripts/demo-flow" "$bin" "$work" >"$work/flow.out" 2>&1 || { cat "$work/flow.out"; fail "demo flow"; }
package="$work/packages/淘宝助理数据包_demo.csv"
grep -qx "数据包: $package" "$work/flow.out" || fail "package line: $(cat "$work/flow.out")"

# The rows, as UTF-8 with the quotes of the quoted columns taken off, in expected-rows
# column order: num_id title cid price num outer_id cateProps skuProps propAlias
# inputPids inputValues picture_status picture.
iconv -f UTF-16 -t UTF-8 "$package" | tr -d '\r' | tail -n +4 >"$work/rows"
awk -F'\t' -v OFS='\t' '{
    for (i = 1; i <= NF; i++) { gsub(/^"|"$/, "", $i) }
    print $37, $1, $2, $8, $10, $34, $22, $31, $35, $32, $33, $27, $29
  }' "$work/rows" | sort >"$work/got"
grep -v '^#' "$demo/expected-rows.tsv" | sort >"$work/want"
diff "$work/want" "$work/got" >"$work/diff" || { cat "$work/diff"; fail "package rows differ from the demo offers"; }
[ "$(wc -l <"$work/got")" -ge 12 ] || fail "too few rows"

# Every picture of the picture column is on disk with the fixture's bytes.
folder="${package%.csv}"
cut -f13 "$work/want" | tr ';' '\n' | cut -d: -f1 | grep . | sort -u >"$work/names"
while read -r name; do
  [ -s "$folder/$name.tbi" ] || fail "picture $name.tbi missing"
done <"$work/names"
[ "$(find "$folder" -type f | wc -l)" = "$(wc -l <"$work/names")" ] || fail "extra pictures"
first="$(head -n 1 "$work/names")"
found=0
for f in $(find "$demo/pictures/img.china.alibaba.com" -type f); do
  cmp -s "$f" "$folder/$first.tbi" && found=1
done
[ "$found" = 1 ] || fail "picture $first.tbi does not hold a fixture picture's bytes"

# Description pictures are local, their addresses rewritten; links made plain.
id="$(cut -f1 "$work/want" | head -n 1)"
cmp -s "$folder"_DESC/"${id}_detail1.jpg" \
  "$demo/pictures/cbu01.alicdn.com/img/ibank/2026/${id: -4}/${id}_detail1.jpg" || fail "description picture"
[ "$(find "${folder}_DESC" -type f | wc -l)" = $((3 * $(wc -l <"$work/got"))) ] || fail "description pictures"
row="$(grep -F "\"$id\"" "$work/rows")"
# The reference is "file://" + the absolute path; the Windows programs (run under Wine,
# $bin has winepath then) write "file:///" + the description folder + "\" + name.
reference="file://${folder}_DESC/${id}_detail1.jpg"
if [ -x "$bin/winepath" ]; then
  reference="file:///$("$bin/winepath" -w "${folder}_DESC")\\${id}_detail1.jpg"
fi
[[ "$row" == *"src=\"$reference\""* ]] || fail "description not rewritten: want $reference"
[[ "$row" != *"<a "* && "$row" == *"<div href="* ]] || fail "description links"
[[ "$row" == *"&lt;"* ]] && fail "entities left in the description"
echo "demo flow: ok ($(wc -l <"$work/got") rows)"
