#!/usr/bin/env bash
# listwright-cli download end to end against relay-sim: rows, pictures, marks, refusals.
# Argument 1: the folder holding the binaries.
set -euo pipefail
bin="$1"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../support/cli_test.sh"
start_relay_sim "$work/port" --fixtures "$here/../data/download"
export_relay_env
cli() { "$bin/listwright-cli" --data-dir "$work" "$@"; }
P="http://detail.1688.com/offer/"

cli group add "女装" >/dev/null 2>&1
cli group add "其他" >/dev/null 2>&1
cli --yes link add --group "女装" "${P}2001.html" >/dev/null 2>&1
cli --yes link add --group "其他" "${P}2002.html" >/dev/null 2>&1
cli link tick --all >/dev/null
mkdir -p "$work/out-pkg"
pkg="$work/out-pkg/package.csv"

# Only the Group named: one offer, one row.
# Without a category tree the row is written with the check's warnings, after the
# package line; warnings leave the exit status 0.
expect_rc 0 cli download --group "女装" --out "$pkg"
[ "$(wc -l <"$work/out")" = 4 ] || fail "four lines: $(cat "$work/out")"
grep -q $'^1/1\t2001\t完成-.*:产品类别:T恤;警告:类目为0,数量为0$' "$work/out" || fail "offer line: $(cat "$work/out")"
[ "$(sed -n 2p "$work/out")" = "$(printf '%s\t1' "$(host_path "$pkg")")" ] || fail "package line: $(cat "$work/out")"
[ "$(tail -n 2 "$work/out")" = "$(printf '警告\t2001\t类目为0\n警告\t2001\t数量为0')" ] || fail "warning lines: $(cat "$work/out")"
[ "$(head -c 2 "$pkg" | od -An -tx1 | tr -d ' ')" = "fffe" ] || fail "byte-order mark"
[ "$(ls "$work/out-pkg/package" | wc -l)" = 3 ] || fail "pictures: $(ls "$work/out-pkg/package")"
[ "$(ls "$work/out-pkg/package_DESC" | wc -l)" = 4 ] || fail "description pictures"
cmp -s "$work/out-pkg/package_DESC/x.jpg" "$here/../data/download/pictures/img.example.com/d/x.jpg" \
  || fail "picture bytes"
[ "$(cli link list --group "女装" --state downloaded | wc -l)" = 1 ] || fail "marked downloaded"
[ "$(cli link list --group "其他" --state downloaded | wc -l)" = 0 ] || fail "other group untouched"

# An existing file is refused without a choice; --append adds the other Group's row.
expect_rc 1 cli download --group "其他" --out "$pkg"
grep -q "文件已存在" "$work/err" || fail "refusal message"
expect_rc 0 cli download --group "其他" --out "$pkg" --append --no-local-desc --keep-links
grep -q $'^1/1\t2002\t完成-' "$work/out" || fail "append: $(cat "$work/out")"
[ "$(sed -n 2p "$work/out")" = "$(printf '%s\t1' "$(host_path "$pkg")")" ] || fail "append: $(cat "$work/out")"

# --append onto a file of the user's is refused by name and writes nothing.
cli link tick --all >/dev/null
printf 'my notes\r\n' >"$work/notes.csv"
expect_rc 1 cli download --group "其他" --out "$work/notes.csv" --append
grep -qF "notes.csv\"不是淘宝助理数据包" "$work/err" || fail "not a package: $(cat "$work/err")"
[ "$(cat "$work/notes.csv")" = "$(printf 'my notes\r\n')" ] || fail "notes changed"
cli link untick --all >/dev/null

# --out with a folder is refused in words: no hidden ".csv" inside it.
expect_rc 2 cli download --out "$work/out-pkg/"
grep -q "是文件夹,请给出数据包文件名" "$work/err" || fail "folder refusal: $(cat "$work/err")"
expect_rc 2 cli download --out "$work/out-pkg"
[ ! -e "$work/out-pkg/.csv" ] || fail "hidden .csv written"

# Nothing ticked left; unknown Group; two choices at once.
expect_rc 1 cli download --out "$pkg" --append
grep -q "请勾选要下载的宝贝." "$work/err" || fail "nothing ticked"
expect_rc 1 cli download --group "Nobody" --out "$pkg"
expect_rc 2 cli download --append --overwrite

# An Error Response ends the run with exit 1; the item keeps its tick.
cli --yes link add --group "其他" "${P}9999.html" >/dev/null 2>&1
cli link tick "$(cli link list | grep "${P}9999.html" | cut -f8)" >/dev/null
expect_rc 1 cli download --group "其他" --out "$pkg" --overwrite
grep -q $'^1/1\t9999\t下载失败. 错误原因: ' "$work/out" || fail "error line: $(cat "$work/out")"
[ "$(tail -n 2 "$work/out" | head -n 1)" = "$(printf '%s\t0' "$(host_path "$pkg")")" ] || fail "no row written"
tail -n 1 "$work/out" | grep -q $'^未下载\t9999\t' || fail "failed line: $(cat "$work/out")"
grep -q "下载已停止" "$work/err" || fail "summary in the message: $(cat "$work/err")"
[ "$(cli link list --group "其他" | grep "${P}9999.html" | cut -f9)" = 1 ] || fail "tick kept"

# --keep-going: the failed offer is skipped and unticked, the next one is written, and
# the summary goes to the error stream.
cli link tick "$(cli link list | grep "${P}2002.html" | cut -f8)" >/dev/null
expect_rc 1 cli download --group "其他" --out "$pkg" --overwrite --keep-going
grep -q $'^[12]/2\t9999\t失败-' "$work/out" || fail "skipped line: $(cat "$work/out")"
grep -q $'^[12]/2\t2002\t完成-' "$work/out" || fail "next offer: $(cat "$work/out")"
grep -qxF "$(printf '%s\t1' "$(host_path "$pkg")")" "$work/out" || fail "one row: $(cat "$work/out")"
grep -q "^\[小结\]" "$work/err" || fail "summary: $(cat "$work/err")"
grep -q "^未能下载的宝贝 1 个:" "$work/err" || fail "summary failed: $(cat "$work/err")"
grep -q "^数据包: " "$work/err" || fail "summary path: $(cat "$work/err")"
[ "$(cli link list --group "其他" | grep "${P}9999.html" | cut -f9)" = 0 ] || fail "unticked"

# Look-ups that get no answer: the row is written without its properties, a line names
# the offer after the package line, and the exit status says the run was not whole.
kill "$sim_pid"; wait "$sim_pid" 2>/dev/null || true
start_relay_sim "$work/port2" --fixtures "$here/../data/download" --fault "lookup status 500"
export_relay_env
cli link untick --all >/dev/null
cli link tick "$(cli link list | grep "${P}2001.html" | cut -f8)" >/dev/null
expect_rc 1 cli download --group "女装" --out "$pkg" --overwrite
[ "$(sed -n 2p "$work/out")" = "$(printf '%s\t1' "$(host_path "$pkg")")" ] || fail "package line: $(cat "$work/out")"
sed -n 3p "$work/out" | grep -q $'^不完整\t2001\t属性查询失败 [0-9]* 次(.*颜色:网络错误' || fail "incomplete line: $(cat "$work/out")"
echo ok
