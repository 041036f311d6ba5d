#!/usr/bin/env bash
# listwright-cli check over the package a download writes and over broken copies of it,
# and download --price-rule for one run.
# Argument 1: the folder holding the binaries.
set -euo pipefail
bin="$1"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../support/cli_test.sh"
# The download fixtures with a category tree: T恤 is a leaf under 女装.
fixtures="$work/fixtures"
cp -r "$here/../data/download" "$fixtures"
printf '%s' '<?xml version="1.0" encoding="utf-8" ?><itemcats_get_response><item_cats list="true"><item_cat><cid>16</cid><parent_cid>0</parent_cid><name>女装</name><is_parent>true</is_parent></item_cat><item_cat><cid>50000671</cid><parent_cid>16</parent_cid><name>T恤</name><is_parent>false</is_parent></item_cat></item_cats></itemcats_get_response>' >"$fixtures/itemcats.xml"
start_relay_sim "$work/port" --fixtures "$fixtures"
export_relay_env
cli() { "$bin/listwright-cli" --data-dir "$work/data" "$@"; }
P="http://detail.1688.com/offer/"
# UTF-16LE with byte-order mark to UTF-8 and back.
to_text() { iconv -f UTF-16LE -t UTF-8 "$1" | tail -c +4; }
to_package() { { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; } >"$1"; }

cli --yes categories download >/dev/null 2>&1
cli group add "女装" >/dev/null 2>&1
cli --yes link add --group "女装" "${P}2001.html" "${P}2002.html" >/dev/null 2>&1
cli link tick --all >/dev/null
mkdir -p "$work/pkg"
pkg="$work/pkg/package.csv"

# The golden package: the T恤 row passes, the scarf has no category and no SKU.
expect_rc 0 cli download --out "$pkg"
grep -qx $'警告\t2002\t类目为0' "$work/out" || fail "download warnings: $(cat "$work/out")"
[ "$(cli link list --state problems | cut -f6,10)" = $'2002\t警告' ] || fail "problems: $(cli link list)"
expect_rc 0 cli check "$(host_path "$pkg")"
expect_eq "$(cat "$work/out")" "$(printf '第5行\t2002\t警告\t类目为0\n第5行\t2002\t警告\t数量为0\n共 2 行, 0 个错误, 2 个警告')"
if grep -q "没有淘宝类目" "$work/err"; then fail "the stored tree was not used"; fi
expect_rc 1 cli check --strict "$(host_path "$pkg")"
expect_rc 2 cli check
expect_rc 2 cli check "$pkg" --loose

# A missing header line.
to_text "$pkg" | sed '2d' | to_package "$work/pkg/no-header.csv"
expect_rc 1 cli check "$(host_path "$work/pkg/no-header.csv")"
grep -qx $'文件\t\t错误\t缺少表头第2行(英文列名)' "$work/out" || fail "header: $(cat "$work/out")"

# A row of 49 fields.
to_text "$pkg" | sed '5s/\t[^\t]*$//' | to_package "$work/pkg/short-row.csv"
expect_rc 1 cli check "$(host_path "$work/pkg/short-row.csv")"
grep -qx $'第5行\t2002\t错误\t有49个字段,应为50个' "$work/out" || fail "fields: $(cat "$work/out")"

# Only the category 0 row, its pictures beside it: warnings only, an error with --strict.
mkdir -p "$work/cat0"
cp -r "$work/pkg/package" "$work/cat0/"
to_text "$pkg" | sed '4d' | to_package "$work/cat0/package.csv"
expect_rc 0 cli check "$(host_path "$work/cat0/package.csv")"
expect_eq "$(tail -n 1 "$work/out")" "共 1 行, 0 个错误, 2 个警告"
expect_rc 1 cli check --strict "$(host_path "$work/cat0/package.csv")"

# Missing picture files: a main picture beside the file, a description picture.
rm "$work/cat0/package/"*.tbi
expect_rc 1 cli check "$(host_path "$work/cat0/package.csv")"
grep -q $'^第4行\t2002\t错误\t图片文件不存在:' "$work/out" || fail "main picture: $(cat "$work/out")"
rm "$work/pkg/package_DESC/x.jpg"
expect_rc 1 cli check "$(host_path "$pkg")"
grep -q $'^第4行\t2001\t错误\t描述图片文件不存在:.*x\\.jpg$' "$work/out" || fail "description picture: $(cat "$work/out")"

# Not a package at all.
printf 'hello' >"$work/plain.csv"
expect_rc 1 cli check "$(host_path "$work/plain.csv")"
grep -q $'错误\t文件开头没有字节顺序标记' "$work/out" || fail "no mark: $(cat "$work/out")"
expect_rc 1 cli check "$(host_path "$work/none.csv")"
grep -qx $'文件\t\t错误\t无法读取文件' "$work/out" || fail "no file: $(cat "$work/out")"

# A price rule for one run: the row's price and every SKU entry; the next run is as today.
cli link tick --all >/dev/null
expect_rc 0 cli download --out "$work/ruled.csv" --price-rule "x1.5+3,round=0.9,min=5"
grep -q $'^1/2\t2001\t.*;原价:12.50,按价格规则改为:21.90' "$work/out" || fail "remark: $(cat "$work/out")"
expect_eq "$(to_text "$work/ruled.csv" | tail -n 2 | cut -f8 | tr -d '\r' | tr '\n' ' ')" "21.90 15.90 "
to_text "$work/ruled.csv" | sed -n 4p | cut -f31 | grep -q '^"21.90:1::.*;21.90:1::' || fail "sku prices"
if to_text "$work/ruled.csv" | sed -n 4p | cut -f31 | grep -q '12.50'; then fail "an SKU kept its price"; fi
cli link tick --all >/dev/null
expect_rc 0 cli download --out "$work/plain-prices.csv"
expect_eq "$(to_text "$work/plain-prices.csv" | tail -n 2 | cut -f8 | tr -d '\r' | tr '\n' ' ')" "12.50 8.00 "
expect_rc 2 cli download --out "$work/x.csv" --price-rule "x1.5,round=0.5"
grep -q "价格规则无法识别" "$work/err" || fail "bad rule: $(cat "$work/err")"
echo ok
