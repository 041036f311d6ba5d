#!/usr/bin/env bash
# listwright-cli harvest against relay-sim's shop pages: one line per page, the Link
# Lines found, and the Item Links added only with --yes.
# Argument 1: the folder holding the binaries.
set -euo pipefail
bin="$1"
here="$(cd "$(dirname "$0")" && pwd)"
fixtures="$here/../data/harvest"
data="$(mktemp -d)"
sim_pid=""
cleanup() {
    if [[ -n "$sim_pid" ]]; then kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; fi
    rm -rf "$data"
}
trap cleanup EXIT

source "$here/../support/relay_sim.sh"
start_relay_sim "$data/port" --fixtures "$fixtures" --port 0
export http_proxy="http://127.0.0.1:$port"
unset no_proxy NO_PROXY

cli() { "$bin/listwright-cli" --data-dir "$data" "$@"; }
fail() { echo "FAIL: $*" >&2; exit 1; }
expect_rc() { # expected-rc command...
  local want="$1"; shift
  set +e; "$@" >"$data/out" 2>"$data/err"; local rc=$?; set -e
  [ "$rc" = "$want" ] || { cat "$data/err" >&2; fail "rc $rc instead of $want: $*"; }
}
P="http://detail.1688.com/offer/"

expect_rc 0 cli group add "女装"

# Without --yes the question is answered No: lines printed, nothing stored.
expect_rc 0 cli harvest --group "女装" --shop "http://shop-gbk.1688.com/page/index.htm" --keyword "连衣裙"
[ "$(cat "$data/out")" = "$(printf '页:1 (2/2) 共 1 页\n%s1001.html,韩版雪纺连衣裙,120,58.00\n%s1002.html,碎花长裙 夏季,7,39.5' "$P" "$P")" ] \
  || fail "output: $(cat "$data/out")"
grep -q "^\[提示\] 完成搜索,共搜索到 2 个符合条件的产品.是否马上加入下载源?$" "$data/err" || fail "question"
[ "$(cli link list | wc -l)" = 0 ] || fail "added without --yes"

# With --yes (before or after the command word) they are added.
expect_rc 0 cli harvest --group "女装" --shop "http://shop-gbk.1688.com" --keyword "连衣裙" --yes
[ "$(cli link list | cut -f2,3 | sort)" = "$(printf '%s1001.html\t韩版雪纺连衣裙\n%s1002.html\t碎花长裙 夏季' "$P" "$P")" ] \
  || fail "stored: $(cli link list)"
expect_rc 0 cli --yes harvest --group "女装" --shop "http://shop-utf8.1688.com"
[ "$(cli link list | wc -l)" = 5 ] || fail "second search: $(cli link list)"

# Refusals and failures.
expect_rc 1 cli harvest --group "女装" --shop "http://www.taobao.com"
grep -q "请输入正确的阿里巴巴店铺首页地址．(例:http://shop1234567890.1688.com)" "$data/err" || fail "shop message"
expect_rc 1 cli harvest --group "Nobody" --shop "http://shop-gbk.1688.com"
expect_rc 1 cli harvest --group "女装" --shop "http://shop-gbk.1688.com" --keyword "多页"
grep -q "^\[错误\] '1,000' is not a valid integer value" "$data/err" || fail "count error"
expect_rc 0 cli harvest --group "女装" --shop "http://shop-gbk.1688.com" --keyword "无货"
grep -q "^\[提示\] 完成搜索,共搜索到 0 个符合条件的产品.$" "$data/err" || fail "no result"
expect_rc 2 cli harvest --group "女装"
expect_rc 2 cli harvest --group "女装" --shop "http://shop-gbk.1688.com" --colour red
echo "harvest commands: ok"
