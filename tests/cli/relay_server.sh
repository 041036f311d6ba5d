#!/usr/bin/env bash
# listwright-relay as an operator runs it: a configuration readable by others is refused,
# accounts are added, listed and removed, serve --port 0 prints its port, the program's
# connection test passes with the new account's values and fails with a removed one,
# status hides the secret, SIGTERM ends it cleanly.
# Argument 1: the folder holding the binaries.
set -euo pipefail
bin="$1"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../support/cli_test.sh"
gateway_pid=""
relay_pid=""
stop_servers() {
  for pid in $relay_pid $gateway_pid; do kill "$pid" 2>/dev/null || true; done
  cleanup
}
trap stop_servers EXIT

wait_for_port() { # file
  for _ in $(seq 400); do
    [ -s "$1" ] && break
    sleep 0.05
  done
  head -n 1 "$1" | tr -d '\r'
}

"$bin/gateway-sim" --fixtures "$here/../../data/demo-gateway" >"$work/gateway.port" &
gateway_pid=$!
gport="$(wait_for_port "$work/gateway.port")"
[[ "$gport" =~ ^[0-9]+$ ]] || fail "gateway-sim printed no port"

conf="$work/relay.conf"
cat >"$conf" <<CONF
[server]
listen = 127.0.0.1:0
log_file = $(host_path "$work/relay.log")
[taobao]
router = http://127.0.0.1:$gport/router/rest
app_key = test-app-key
app_secret = test-app-secret
CONF
relay() { "$bin/listwright-relay" --config "$(host_path "$conf")" "$@"; }

expect_rc 2 relay
expect_rc 2 relay account add
if [ ! -x "$bin/winepath" ]; then
  chmod 644 "$conf"
  expect_rc 1 relay serve --port 0
  grep -q "其他用户也能读取" "$work/err" || fail "readable configuration: $(cat "$work/err")"
  chmod 600 "$conf"
fi

expect_rc 0 relay account add 花漾服饰
tr -d '\r' <"$work/out" >"$work/account"
app_key="$(sed -n 's/^App Key: //p' "$work/account")"
token="$(sed -n 's/^Access Token: //p' "$work/account")"
code="$(sed -n 's/^账户代码: //p' "$work/account")"
[[ "$app_key" =~ ^[0-9a-f]{40}$ ]] || fail "App Key: $(cat "$work/account")"
[[ "$token" =~ ^[0-9a-f]{64}$ ]] || fail "Access Token: $(cat "$work/account")"
[ -n "$code" ] || fail "账户代码: $(cat "$work/account")"
expect_rc 1 relay account add 花漾服饰
grep -q "已经存在" "$work/err" || fail "second add: $(cat "$work/err")"
expect_rc 0 relay account list
grep -q "^花漾服饰	账户代码 $code" "$work/out" || fail "list: $(cat "$work/out")"

"$bin/listwright-relay" --config "$(host_path "$conf")" serve --port 0 >"$work/relay.port" 2>"$work/relay.err" &
relay_pid=$!
rport="$(wait_for_port "$work/relay.port")"
[[ "$rport" =~ ^[0-9]+$ ]] || fail "listwright-relay printed no port: $(cat "$work/relay.err")"

# The program's own connection test, with what the operator handed out.
pconf="$work/listwright.conf"
printf '[relay]\nhost = 127.0.0.1:%s\napp_key = %s\naccess_token = %s\naccount_code = %s\n' \
  "$rport" "$app_key" "$token" "$code" >"$pconf"
unset LISTWRIGHT_RELAY_HOST LISTWRIGHT_APP_KEY LISTWRIGHT_ACCESS_TOKEN LISTWRIGHT_ACCOUNT_CODE
cli() { "$bin/listwright-cli" --data-dir "$(host_path "$work/program")" --config "$(host_path "$pconf")" "$@"; }
expect_rc 0 cli config test
grep -q "连接成功" "$work/out" || fail "config test: $(cat "$work/out" "$work/err")"

expect_rc 0 relay status
grep -q "taobao.app_secret = （已设置，不显示）" "$work/out" || fail "status: $(cat "$work/out")"
grep -q "账户: 1 个" "$work/out" || fail "status accounts: $(cat "$work/out")"
if grep -q "test-app-secret" "$work/out"; then fail "status shows the secret"; fi

expect_rc 0 relay account remove 花漾服饰
expect_rc 1 cli config test
grep -q "App Key 或账户代码不对" "$work/err" || fail "removed account: $(cat "$work/out" "$work/err")"

kill -TERM "$relay_pid"
if [ ! -x "$bin/winepath" ]; then
  wait "$relay_pid" || fail "listwright-relay did not end cleanly on SIGTERM"
  grep -q "listwright-relay 已停止" "$work/relay.log" || fail "log: $(cat "$work/relay.log")"
fi
wait "$relay_pid" 2>/dev/null || true
relay_pid=""
for secret in "$app_key" "$token" test-app-secret; do
  if grep -q "$secret" "$work/relay.log" "$work/relay.err"; then fail "a secret in the log"; fi
done
if [ ! -x "$bin/winepath" ]; then
  [ "$(stat -c %a "$work/relay.log")" = 600 ] || fail "log readable by others"
  [ "$(stat -c %a "$work/data/relay.db")" = 600 ] || fail "database readable by others"
fi
echo "listwright-relay: accounts, serve, the program's connection test, status, a clean stop"
