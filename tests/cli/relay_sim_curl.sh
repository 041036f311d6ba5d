#!/usr/bin/env bash
# relay-sim serves a fixture folder to plain curl: an offer by a hand-written POST, a
# listing page and a picture through the proxy route, an Error Response for an
# unknown offer, and a fault given on the command line.
set -euo pipefail
bin="$1"
here="$(cd "$(dirname "$0")" && pwd)"
fixtures="$here/../data/relay-basic"
source "$here/../support/cli_test.sh"
start_relay_sim "$work/port" --fixtures "$fixtures" --port 0 --fault "offer=777 status 503"
relay="http://127.0.0.1:$port"

curl -sS --noproxy '*' -H 'Content-Type: application/x-www-form-urlencoded' \
    --data-binary 'app_key=demo&method=offer.get&offerId=520000000001&codeid=a%20b&rvversion=1.0.0.1' \
    "$relay/openapi/getdata.aspx" >"$work/offer.json"
cmp -s "$work/offer.json" "$fixtures/offers/520000000001.json" || fail "offer body differs"

curl -sS --noproxy '*' --data-binary 'app_key=demo&method=offer.get&offerId=1' \
    "$relay/openapi/getdata.aspx" | grep -q '<error_response>' || fail "unknown offer"

code="$(curl -s -o /dev/null -w '%{http_code}' --noproxy '*' \
    --data-binary 'app_key=demo&method=offer.get&offerId=777' "$relay/openapi/getdata.aspx")"
[[ "$code" == 503 ]] || fail "fault flag: status $code"

http_proxy="$relay" curl -sS \
    "http://shop1234567890.1688.com/page/offerlist.htm?keywords=&pageNum=1#search-bar" |
    grep -q 'listing page 1 without keyword' || fail "listing page through the proxy"

curl -sS -x "$relay" "http://img.china.alibaba.com/img/ibank/a1.jpg" >"$work/a1.jpg"
cmp -s "$work/a1.jpg" "$fixtures/pictures/img.china.alibaba.com/img/ibank/a1.jpg" || fail "picture"

echo "relay-sim served offer, error response, fault, listing page and picture"
