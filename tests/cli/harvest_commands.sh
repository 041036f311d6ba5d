#!/usr/bin/env bash
# listwright-cli harvest against relay-sim's shop pages: one line per page, the Link
# Lines found, and the Item Links added only with --yes.
# Argument 1: the folder holding the binaries.
set -euo pipefail
bin="$1"
here="$(cd "$(dirname "$0")" && pwd)"
fixtures="$here/../data/harvest"
source "$here/../support/cli_test.sh"
start_relay_sim "$work/port" --fixtures "$fixtures" --port 0
export http_proxy="http://127.0.0.1:$port"
unset no_proxy NO_PROXY

cli() { "$bin/listwright-cli" --data-dir "$work" "$@"; }
P="http://detail.1688.com/offer/"

expect_rc 0 cli group add "女装"

# Without --yes the question is answered No: lines printed, nothing stored.
expect_rc 0 cli harvest --group "女装" --shop "http://shop-gbk.1688.com/page/index.htm" --keyword "连衣裙"
[ "$(cat "$work/out")" = "$(printf '页:1 (2/2) 共 1 页\n%s1001.html,韩版雪纺连衣裙,120,58.00\n%s1002.html,碎花长裙 夏季,7,39.5' "$P" "$P")" ] \
  || fail "output: $(cat "$work/out")"
grep -q "^\[提示\] 完成搜索,共搜索到 2 个符合条件的产品.是否马上加入下载源?$" "$work/err" || fail "question"
[ "$(cli link list | wc -l)" = 0 ] || fail "added without --yes"

# With --yes (before or after the command word) they are added.
expect_rc 0 cli harvest --group "女装" --shop "http://shop-gbk.1688.com" --keyword "连衣裙" --yes
[ "$(cli link list | cut -f2,3 | sort)" = "$(printf '%s1001.html\t韩版雪纺连衣裙\n%s1002.html\t碎花长裙 夏季' "$P" "$P")" ] \
  || fail "stored: $(cli link list)"
expect_rc 0 cli --yes harvest --group "女装" --shop "http://shop-utf8.1688.com"
[ "$(cli link list | wc -l)" = 5 ] || fail "second search: $(cli link list)"

# Refusals and failures.
expect_rc 1 cli harvest --group "女装" --shop "http://www.taobao.com"
grep -q "请输入正确的阿里巴巴店铺首页地址．(例:http://shop1234567890.1688.com)" "$work/err" || fail "shop message"
expect_rc 1 cli harvest --group "Nobody" --shop "http://shop-gbk.1688.com"
expect_rc 1 cli harvest --group "女装" --shop "http://shop-gbk.1688.com" --keyword "多页"
grep -q "^\[错误\] '1,000' is not a valid integer value" "$work/err" || fail "count error"
expect_rc 0 cli harvest --group "女装" --shop "http://shop-gbk.1688.com" --keyword "无货"
grep -q "^\[提示\] 完成搜索,共搜索到 0 个符合条件的产品.$" "$work/err" || fail "no result"
expect_rc 2 cli harvest --group "女装"
expect_rc 2 cli harvest --group "女装" --shop "http://shop-gbk.1688.com" --colour red
echo "harvest commands: ok"
