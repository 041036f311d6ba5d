#!/usr/bin/env bash
# Chinese file and folder names everywhere at once: the data folder, a Group, the
# mapping import file, the Item Link export and the Data Package with its picture
# folders, all inside a Chinese-named folder with a blank in it. Under Wine the
# programs get the Windows form of the paths.
# Argument 1: the folder holding the binaries.
set -euo pipefail
bin="$1"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../support/cli_test.sh"
start_relay_sim "$work/port" --fixtures "$here/../data/download"
export_relay_env
shop="$work/店铺 资料"
data="$shop/数据文件夹"
mkdir -p "$data"
cli() { "$bin/listwright-cli" --data-dir "$(host_path "$data")" "$@"; }
P="http://detail.1688.com/offer/"
group="花漾服饰·夏季"

expect_rc 0 cli group add "$group"
[ -s "$data/TBData/TBDataPlover2.db" ] || fail "no database in $data"
expect_eq "$(cli group list)" "$group"

# The mapping import file: GBK text with a title line.
printf '阿里巴巴产品类别名,阿里巴巴适用性别,对应淘宝类目名称\r\nT恤,女,女式T恤\r\n' |
  iconv -f UTF-8 -t GB18030 >"$shop/类目映射 表.csv"
expect_rc 0 cli --yes mapping import "$(host_path "$shop/类目映射 表.csv")"
grep -q "导入成功,请确认. 共 1 项" "$work/err" || fail "import: $(cat "$work/err")"
expect_eq "$(cli mapping list)" "$(printf '1\tT恤\t女\t女式T恤')"

expect_rc 0 cli --yes link add --group "$group" "${P}2001.html,红色连衣裙,15,8.50"
id="$(cli link list | cut -f8)"
expect_rc 0 cli link export --out "$(host_path "$shop/导出 链接.csv")" "$id"
[ "$(iconv -f GB18030 -t UTF-8 "$shop/导出 链接.csv")" = "$(printf '未下载,%s2001.html,红色连衣裙,15,8.5,2001,\r' "$P")" ] ||
  fail "export: $(iconv -f GB18030 -t UTF-8 "$shop/导出 链接.csv" | od -c | head)"

cli link tick --all >/dev/null
pkg="$shop/淘宝助理数据包 夏季.csv"
expect_rc 0 cli download --group "$group" --out "$(host_path "$pkg")"
# The package line, then the row check's warnings (no category tree here).
grep -qxF "$(printf '%s\t1' "$(host_path "$pkg")")" "$work/out" || fail "package line: $(cat "$work/out")"
[ "$(tail -n 2 "$work/out")" = "$(printf '警告\t2001\t类目为0\n警告\t2001\t数量为0')" ] ||
  fail "warning lines: $(cat "$work/out")"
[ "$(head -c 2 "$pkg" | od -An -tx1 | tr -d ' ')" = "fffe" ] || fail "byte-order mark"
[ "$(ls "$shop/淘宝助理数据包 夏季" | wc -l)" = 3 ] || fail "pictures: $(ls "$shop")"
[ "$(ls "$shop/淘宝助理数据包 夏季_DESC" | wc -l)" = 4 ] || fail "description pictures"
cmp -s "$shop/淘宝助理数据包 夏季_DESC/x.jpg" "$here/../data/download/pictures/img.example.com/d/x.jpg" ||
  fail "picture bytes"
# The description points at the pictures in the Chinese-named folder.
reference="file://$shop/淘宝助理数据包 夏季_DESC/x.jpg"
if [ -x "$bin/winepath" ]; then
  reference="file:///$(host_path "$shop/淘宝助理数据包 夏季_DESC")\\x.jpg"
fi
iconv -f UTF-16 -t UTF-8 "$pkg" | grep -qF "$reference" || fail "no reference $reference"
[ "$(cli link list | cut -f1)" = "已下载" ] || fail "not marked: $(cli link list)"
# The package in the Chinese-named folder checks with its pictures found.
expect_rc 0 cli check "$(host_path "$pkg")"
grep -q $'^第4行\t2001\t警告\t类目为0$' "$work/out" || fail "check: $(cat "$work/out")"
[ "$(tail -n 1 "$work/out")" = "共 1 行, 0 个错误, 2 个警告" ] || fail "check summary: $(cat "$work/out")"
echo "chinese names: ok"
