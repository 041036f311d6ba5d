#!/usr/bin/env bash
# The category downloads of listwright-cli against relay-sim: the tree and both
# property tables stored, an Error Response reported, a missing Relay value named.
set -euo pipefail
bin="$1"
here="$(cd "$(dirname "$0")" && pwd)"
fixtures="$here/../data/catalog"
source "$here/../support/cli_test.sh"
start_relay_sim "$work/port" --fixtures "$fixtures" --port 0 \
    --fault "method=user.itemprops_value.get error-response 会话过期|27|expired 1"

export LISTWRIGHT_CONFIG="$work/none.conf"
cli() {
    LISTWRIGHT_RELAY_HOST="127.0.0.1:$port" LISTWRIGHT_APP_KEY=key1 LISTWRIGHT_ACCESS_TOKEN=tok \
        LISTWRIGHT_ACCOUNT_CODE=acc "$bin/listwright-cli" --data-dir "$work/data" "$@"
}

cli --yes categories download 2>"$work/err"
expect_eq "$(tail -n 1 "$work/err")" "[提示] 商品类目下载完成，请确认"
expect_eq "$(cli categories count 2>&1)" "[提示] 记录数:3"

cli --yes props download 1 2>/dev/null
expect_eq "$(cli props count 1 2>&1)" "[提示] 记录数:2"

# The first values request gets an Error Response: reported, nothing stored.
if cli --yes props download 2 2>"$work/err"; then fail "error response reported as success"; fi
expect_eq "$(tail -n 2 "$work/err" | tr -d '\r')" "$(printf '[提示] 获取类目属性2失败.\n错误原因: 会话过期,27,expired')"
expect_eq "$(cli props count 2 2>&1)" "[提示] 记录数:0"
cli --yes props download 2 2>/dev/null
expect_eq "$(cli props count 2 2>&1)" "[提示] 记录数:2"

# Without a Relay host the command names the missing value and sends nothing.
if LISTWRIGHT_RELAY_HOST= "$bin/listwright-cli" --yes --data-dir "$work/data" categories download \
    2>"$work/err"; then fail "download without configuration succeeded"; fi
grep -q 'host' "$work/err" || fail "missing value not named: $(cat "$work/err")"
expect_eq "$(cli categories count 2>&1)" "[提示] 记录数:3"
echo ok
