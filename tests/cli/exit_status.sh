#!/usr/bin/env bash
# The exit status of every listwright-cli command: 0 when it did all that was asked,
# 1 when any part was not done, 2 on wrong usage. One table, run in order on one data
# folder (later rows rely on what earlier rows made).
set -euo pipefail
bin="$1"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../support/cli_test.sh"
start_relay_sim "$work/port" --fixtures "$here/../data/catalog" --port 0 \
  --fault "method=user.itemprops.get error-response 会话过期|27|expired"
export LISTWRIGHT_CONFIG="$work/none.conf"
export_relay_env

P="http://detail.1688.com/offer/"
printf '类别,性别,类目\r\n裙子,女,连衣裙\r\n' >"$work/map.csv"
printf '类别,性别,类目\r\n两个,字段\r\n' >"$work/bad.csv"

# rc | command line (eval'd)
cases=$(cat <<EOF
2|nosuchcommand
2|group
2|group add
2|link tick abc
2|link list --state sometimes
2|mapping modify x a b c
2|download --append --new
2|categories fetch
0|group add 女装
1|group add 女装
1|group add A,B
1|group rename Nobody X
0|group rename 女装 女装
0|link add --group 女装 ${P}11.html
0|--yes link add --group 女装 ${P}11.html ${P}12.html
1|--yes link add --group 女装 not-a-link
1|--yes link add --group Nobody ${P}13.html
0|link list
0|link list --group Nobody
1|link tick 999999
1|link delete 999999
1|--yes link move --to Nobody 1
0|categories count
0|categories download
0|--yes categories download
1|--yes props download 1
0|--yes props download 2
0|mapping add 裙子 男 裙
1|mapping add 裙子 男 别的
1|mapping modify 999 a b c
0|--yes mapping import $work/map.csv
1|--yes mapping import $work/bad.csv
1|--yes mapping import $work/missing.csv
0|mapping import $work/map.csv
1|download --out $work/p.csv
0|--yes group delete 女装
EOF
)

failures=0
while IFS='|' read -r want line; do
  set +e
  eval "\"$bin/listwright-cli\" --data-dir \"$work/data\" $line" >"$work/out" 2>"$work/err"
  rc=$?
  set -e
  if [ "$rc" != "$want" ]; then
    echo "FAIL: rc $rc instead of $want: $line" >&2
    sed 's/^/    /' "$work/err" >&2
    failures=$((failures + 1))
  fi
done <<<"$cases"
[ "$failures" = 0 ] || exit 1
echo "ok"
