#!/usr/bin/env bash
# listwright-cli download killed with SIGKILL at random points of the run: after every
# kill the database opens with every Item Link, the package file holds whole rows only,
# and runs with --append finish the rest with every offer exactly once in the file.
# Argument 1: the folder holding the binaries.
set -euo pipefail
bin="$1"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../support/cli_test.sh"

# Ten offers made from one fixture offer.
fixtures="$work/fixtures"
cp -r "$here/../data/download" "$fixtures"
ids=$(seq 3001 3010)
for id in $ids; do
  sed "s/\"offerId\":2001/\"offerId\":$id/" "$fixtures/offers/2001.json" >"$fixtures/offers/$id.json"
done
start_relay_sim "$work/port" --fixtures "$fixtures" --fault "method=offer.get latency 20"
export_relay_env
cli() { "$bin/listwright-cli" --data-dir "$work" "$@"; }

cli group add "女装" >/dev/null 2>&1
links=()
for id in $ids; do links+=("http://detail.1688.com/offer/$id.html"); done
cli --yes link add --group "女装" "${links[@]}" >/dev/null 2>&1
mkdir -p "$work/out"

# The rows of the package file, one per line, as UTF-8; fails unless every line is whole.
rows_of() { # package
  local pkg="$1"
  [ "$(head -c 2 "$pkg" | od -An -tx1 | tr -d ' \n')" = "fffe" ] || fail "byte-order mark of $pkg"
  [ $(($(stat -c %s "$pkg") % 2)) = 0 ] || fail "a UTF-16 unit of $pkg is cut"
  tail -c +3 "$pkg" | iconv -f UTF-16LE -t UTF-8 >"$work/text" || fail "$pkg is not UTF-16LE"
  # Lines end with CR LF and the last one with nothing; every line has 50 fields and
  # every row ends with the sell_promise flag.
  awk 'BEGIN { RS = "\r\n"; FS = "\t" }
       NF != 50 { printf "line %d has %d fields\n", NR, NF; bad = 1 }
       NR == 1 && $1 != "version 1.00" { print "line 1 is not the version line"; bad = 1 }
       NR > 3 && $50 != "0" && $50 != "1" { printf "line %d ends early\n", NR; bad = 1 }
       NR > 3 { rows[NR] = $37 }
       END { if (bad) exit 1; for (i = 4; i <= NR; i++) print rows[i] }' "$work/text" \
    >"$work/rows" || { cat "$work/rows" >&2; fail "a row of $pkg is not whole"; }
  [ "$(tail -c 2 "$work/text" | od -An -tx1 | tr -d ' \n')" != "0d0a" ] || fail "$pkg ends with a line break"
  cat "$work/rows"
}

check_after_kill() { # package
  local pkg="$1"
  cli link list >"$work/links" 2>"$work/err" || { cat "$work/err" >&2; fail "the database does not open"; }
  [ "$(wc -l <"$work/links")" = 10 ] || fail "Item Links lost: $(cat "$work/links")"
  if [ -f "$pkg" ]; then
    rows_of "$pkg" >"$work/offers"
    # Every item marked downloaded in this round has its row (a row may wait to be cut).
    awk -F'\t' '$9 == 0 { print "\"" $6 "\"" }' "$work/links" | sort >"$work/marked"
    sort -u "$work/offers" >"$work/written"
    [ -z "$(comm -23 "$work/marked" "$work/written")" ] || fail "a marked item has no row"
  fi
}

ticked() { cli link list | awk -F'\t' '$9 == 1' | wc -l; }

# Kills spread over what is left of each run (about 0.22 s an offer), rounds of all ten
# offers into a new package file until enough kills have landed.
RANDOM=4711
want=20
kills=0
repairs=0
round=0
start=$SECONDS
while [ "$kills" -lt "$want" ] && [ "$round" -lt 10 ]; do
  round=$((round + 1))
  pkg="$work/out/round$round.csv"
  cli link tick --all >/dev/null
  while [ "$(ticked)" -gt 0 ]; do
    left=$(ticked)
    # The program itself in the background, so that the kill reaches it.
    "$bin/listwright-cli" --data-dir "$work" download --group "女装" --out "$pkg" --append \
      >"$work/out.txt" 2>"$work/err.txt" &
    run_pid=$!
    if [ "$kills" -lt "$want" ]; then
      delay=$((RANDOM % (left * 220 + 50)))
      sleep "$(printf '%d.%03d' $((delay / 1000)) $((delay % 1000)))"
      if kill -9 "$run_pid" 2>/dev/null; then kills=$((kills + 1)); fi
      wait "$run_pid" 2>/dev/null || true
      run_pid=""
      check_after_kill "$pkg"
    else
      wait "$run_pid" || { cat "$work/err.txt" >&2; fail "the last run of round $round failed"; }
      run_pid=""
    fi
    repairs=$((repairs + $(grep -c "未写完" "$work/err.txt" || true)))
  done
  # Every offer exactly once; no half-made file beside the package.
  [ "$(rows_of "$pkg" | tr -d '"' | sort | tr '\n' ' ')" = "$(echo $ids) " ] \
    || fail "round $round: offers in the file: $(rows_of "$pkg" | tr '\n' ' ')"
  [ ! -e "$pkg.part" ] || fail "round $round: $pkg.part left"
  [ "$(cli link list --state downloaded | wc -l)" = 10 ] || fail "round $round: not all downloaded"
done
[ "$kills" -ge "$want" ] || fail "only $kills kills landed inside a run"
echo "ok: $kills kills in $round rounds, $repairs rows cut again, $((SECONDS - start)) s"
