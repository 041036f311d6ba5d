#!/usr/bin/env bash
# The mapping and count commands of listwright-cli, end to end on a fresh data folder.
set -euo pipefail
bin="$1"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../support/cli_test.sh"
cli() { "$bin/listwright-cli" --data-dir "$work" "$@"; }

id1=$(cli mapping add "Levi's" 男 牛仔裤)
id2=$(cli mapping add 衬衫 "" 衬衫)
expect_eq "$id1" 1
expect_eq "$id2" 2

# The joined key "衬衫" + "" clashes with "衬" + "衫".
if err=$(cli mapping add 衬 衫 x 2>&1 >/dev/null); then fail "duplicate accepted"; fi
expect_eq "$err" '[提示] 值:"衬衫" 已存在,请重新输入.'

cli mapping modify 1 "Levi's" 男 牛仔长裤
expect_eq "$(cli mapping list)" "$(printf "1\tLevi's\t男\t牛仔长裤\n2\t衬衫\t\t衬衫")"

if cli mapping modify 9 a b c 2>/dev/null; then fail "modify of a missing id succeeded"; fi

# GBK import with a title line; a four-field line stops it with the count before it.
printf '\xb1\xea\xcc\xe2\r\n\xc3\xab\xd2\xc2, \xc4\xd0 ,\xc3\xab\xd5\xeb\xd6\xaf\xc9\xc0\r\n' >"$work/ok.csv"
cli --yes mapping import "$work/ok.csv" 2>"$work/err"
expect_eq "$(cat "$work/err")" "$(printf '[提示] 请确认是否要从文件导入数据?\n  -> 是\n[提示] 导入成功,请确认. 共 1 项')"
printf 'title\r\na,b,c\r\nd,e,f,g\r\n' >"$work/bad.csv"
if cli --yes mapping import "$work/bad.csv" 2>"$work/err"; then fail "bad import succeeded"; fi
grep -q '其中 1 项已被导入.ERROR:' "$work/err" || fail "no count in $(cat "$work/err")"
expect_eq "$(cli mapping list | cut -f2 | tr '\n' ' ')" "Levi's 衬衫 毛衣 a "

# Without --yes nothing is deleted; with it, several rows at once.
cli mapping delete 1 2 2>/dev/null
expect_eq "$(cli mapping list | wc -l)" 4
cli --yes mapping delete 1 2 2>"$work/err"
grep -q '是否要删除选中的 2 个项?' "$work/err" || fail "question: $(cat "$work/err")"
expect_eq "$(cli mapping list | wc -l)" 2

expect_eq "$(cli categories count 2>&1)" "[提示] 记录数:0"
expect_eq "$(cli props count 2 2>&1)" "[提示] 记录数:0"
if cli props count 3 2>/dev/null; then fail "props count 3 accepted"; fi
echo ok
