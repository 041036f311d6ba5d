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
# The item without an offer link is skipped and counted, never stored with an empty id.
grep -q "^\[提示\] 完成搜索,共搜索到 3 个符合条件的产品(其中 1 个没有有效的宝贝链接,已跳过).是否马上加入下载源?$" \
  "$work/err" || fail "skipped item"
[ "$(cli link list | wc -l)" = 4 ] || fail "second search: $(cli link list)"
[ -z "$(cli link list | awk -F'\t' '$6 == ""')" ] || fail "empty offer id: $(cli link list)"

# Offers of another Group: told with --no-move, moved on Yes.
expect_rc 0 cli group add "男装"
expect_rc 0 cli --yes harvest --group "男装" --shop "http://shop-gbk.1688.com" --keyword "连衣裙" --no-move
grep -q "^\[提示\] 添加 0 个，已存在于其他组 2 个 (女装).$" "$work/err" || fail "told: $(cat "$work/err")"
[ "$(cli link list --group "男装" | wc -l)" = 0 ] || fail "moved with --no-move"
expect_rc 0 cli --yes harvest --group "男装" --shop "http://shop-gbk.1688.com" --keyword "连衣裙"
grep -q '^\[提示\] 添加 0 个，已存在于其他组 2 个 (女装).' "$work/err" || fail "move question"
grep -q '^是否将这 2 个移动到组"男装"?$' "$work/err" || fail "move question: $(cat "$work/err")"
grep -q "^\[提示\] 完成移动到组,共移动 2 项，请确认.$" "$work/err" || fail "moved message"
[ "$(cli link list --group "男装" | cut -f6 | sort | tr '\n' ' ')" = "1001 1002 " ] || fail "moved"

# A search that comes up short offers what it found, and fails the command.
expect_rc 1 cli --yes harvest --group "女装" --shop "http://shop-short.1688.com"
grep -q "^\[提示\] 搜索未完成,第 2 页无法读取:网络错误,网站回答 HTTP/1.1 404 Not Found" "$work/err" \
  || fail "short: $(cat "$work/err")"
grep -q "^网站报告共 3 个符合条件的产品,已找到 2 个.是否马上将找到的 2 个加入下载源?$" "$work/err" || fail "short question"
[ "$(cli link list | grep -c "${P}400[12].html")" = 2 ] || fail "short search added"

# Refusals and failures.
expect_rc 1 cli harvest --group "女装" --shop "http://www.taobao.com"
grep -q "请输入正确的阿里巴巴店铺首页地址．(例:http://shop1234567890.1688.com)" "$work/err" || fail "shop message"
expect_rc 1 cli harvest --group "Nobody" --shop "http://shop-gbk.1688.com"
expect_rc 1 cli harvest --group "女装" --shop "http://shop-gbk.1688.com" --keyword "多页"
grep -q "^\[错误\] '1,000' is not a valid integer value" "$work/err" || fail "count error"
expect_rc 0 cli harvest --group "女装" --shop "http://shop-gbk.1688.com" --keyword "无货"
grep -q "^\[提示\] 完成搜索,共搜索到 0 个符合条件的产品.$" "$work/err" || fail "no result"
# A page that never arrived is a network failure, not "0 found".
expect_rc 1 cli harvest --group "女装" --shop "http://shop-gbk.1688.com" --keyword "没有这一页"
grep -q "^\[提示\] 搜索失败,第 1 页无法读取:网络错误,网站回答 HTTP/1.1 404 Not Found" "$work/err" \
  || fail "failed page: $(cat "$work/err")"
grep -q "0 个符合条件" "$work/err" && fail "failure reported as 0 found"
expect_rc 2 cli harvest --group "女装"
expect_rc 2 cli harvest --group "女装" --shop "http://shop-gbk.1688.com" --colour red

# The README's demo steps: the demo shop's offers are in 花漾服饰; harvesting the shop into
# 新供应商 moves them there on Yes.
kill "$sim_pid"; wait "$sim_pid" 2>/dev/null || true
start_relay_sim "$work/port" --fixtures "$here/../../data/demo" --port 0
export http_proxy="http://127.0.0.1:$port"
demo="$work/demo"
dcli() { "$bin/listwright-cli" --data-dir "$demo" "$@"; }
expect_rc 0 dcli group add "花漾服饰"
expect_rc 0 dcli group add "新供应商"
expect_rc 0 dcli --yes harvest --group "花漾服饰" --shop "http://huayangfushi.1688.com"
expect_rc 0 dcli --yes harvest --group "新供应商" --shop "http://huayangfushi.1688.com"
grep -q '^\[提示\] 添加 0 个，已存在于其他组 14 个 (花漾服饰).' "$work/err" || fail "demo: $(cat "$work/err")"
[ "$(dcli link list --group "新供应商" | wc -l)" = 14 ] || fail "demo: 新供应商 is empty"
[ "$(dcli link list --group "花漾服饰" | wc -l)" = 0 ] || fail "demo: moved, not copied"
echo "harvest commands: ok"
