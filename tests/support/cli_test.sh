# Sourced first by the CLI tests, once bin (the folder of the programs) and here (the
# tests/cli folder) are set:
#   source "$here/../support/cli_test.sh"
# Gives the scratch folder work, removed at exit together with relay-sim (sim_pid) and a
# program left running in the background (run_pid); the checks fail, expect_eq and
# expect_rc (which leaves the command's output in $work/out and $work/err); host_path;
# and start_relay_sim and export_relay_env of relay_sim.sh.
work="$(mktemp -d)"
sim_pid=""
run_pid=""
cleanup() {
  if [ -n "$run_pid" ]; then kill -9 "$run_pid" 2>/dev/null || true; fi
  if [ -n "$sim_pid" ]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
expect_eq() { [ "$1" == "$2" ] || fail "expected [$2], got [$1]"; }
expect_rc() { # expected-rc command...
  local want="$1"; shift
  set +e; "$@" >"$work/out" 2>"$work/err"; local rc=$?; set -e
  [ "$rc" = "$want" ] || { cat "$work/out" "$work/err" >&2; fail "rc $rc instead of $want: $*"; }
}

# The path as the programs show it: the Windows form (drive Z: is the Unix root) for the
# Windows programs, which run under Wine when $bin holds winepath.
host_path() {
  if [ -x "$bin/winepath" ]; then
    "$bin/winepath" -w "$1"
  else
    echo "$1"
  fi
}

source "$(dirname "${BASH_SOURCE[0]}")/relay_sim.sh"
