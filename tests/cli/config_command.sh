#!/usr/bin/env bash
# listwright-cli config show|set|test: the file written keeps its comments, the values
# come back, environment variables are named where they win, the test talks to relay-sim.
# Argument 1: the folder holding the binaries.
set -euo pipefail
bin="$1"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../support/cli_test.sh"
start_relay_sim "$work/port" --fixtures "$here/../data/relay-basic"
unset LISTWRIGHT_RELAY_HOST LISTWRIGHT_APP_KEY LISTWRIGHT_ACCESS_TOKEN LISTWRIGHT_ACCOUNT_CODE
conf="$work/conf/listwright.conf"
cli() { "$bin/listwright-cli" --config "$(host_path "$conf")" "$@"; }

# Nothing set yet: show says where the file goes; test says what is missing.
expect_rc 0 cli config show
grep -qxF "配置文件	$(host_path "$conf")	(还不存在)" "$work/out" || fail "show: $(cat "$work/out")"
expect_rc 1 cli config test
grep -q "还没有填写 Relay 的地址" "$work/err" || fail "missing: $(cat "$work/err")"

# set writes the file (made with its folder), one key at a time.
expect_rc 0 cli config set relay.host "127.0.0.1:$port"
grep -q "已写入" "$work/err" || fail "set: $(cat "$work/err")"
cli config set app_key key >/dev/null 2>&1
cli config set relay.access_token secret-token >/dev/null 2>&1
cli config set relay.account_code acc >/dev/null 2>&1
expect_rc 0 cli config show
grep -q "^relay.host	127.0.0.1:$port$" "$work/out" || fail "host: $(cat "$work/out")"
grep -qxF "relay.access_token	********oken" "$work/out" || fail "token shown masked: $(cat "$work/out")"
# A short token is not shown at all.
cli config set relay.access_token abcd1234 >/dev/null 2>&1
cli config show >"$work/out" 2>/dev/null
grep -qxF "relay.access_token	********" "$work/out" || fail "short token hidden: $(cat "$work/out")"
cli config set relay.access_token secret-token >/dev/null 2>&1
grep -q "^地址	http://127.0.0.1:$port$" "$work/out" || fail "address: $(cat "$work/out")"
if [ ! -x "$bin/winepath" ]; then
  [ "$(stat -c %a "$conf")" = 600 ] || fail "mode $(stat -c %a "$conf")"
fi

# A comment added by hand survives the next set.
printf '; 我的备注\n[other]\nkeep = 1\n' >>"$conf"
cli config set relay.app_key key >/dev/null 2>&1
grep -q "^; 我的备注" "$conf" || fail "comment kept: $(cat "$conf")"
grep -q "^keep = 1" "$conf" || fail "unknown key kept: $(cat "$conf")"

# The test against relay-sim, then a wrong port.
expect_rc 0 cli config test
expect_eq "$(cat "$work/out" | tr -d '\r')" "连接成功: Relay 已应答。"
cli config set relay.host "127.0.0.1:1" >/dev/null 2>&1
expect_rc 1 cli config test
grep -q "连接失败: 无法连接 http://127.0.0.1:1" "$work/err" || fail "wrong port: $(cat "$work/err")"

# A variable wins and is named; a token for a host elsewhere without TLS is warned about.
LISTWRIGHT_RELAY_HOST="127.0.0.1:$port" expect_rc 0 cli config test
LISTWRIGHT_RELAY_HOST=x expect_rc 0 cli config show
grep -q "^relay.host	x	(环境变量 LISTWRIGHT_RELAY_HOST)" "$work/out" || fail "override: $(cat "$work/out")"
expect_rc 0 cli config set relay.host relay.example.com
grep -q "不加密" "$work/err" || fail "clear-token warning: $(cat "$work/err")"

# Wrong use.
expect_rc 2 cli config set relay.nothing 1
expect_rc 2 cli config
echo ok
