# Sourced by the CLI tests (after setting bin).
#   start_relay_sim PORT_FILE RELAY-SIM-ARGUMENTS...
# Starts relay-sim in the background and waits for the port it prints; sets sim_pid
# (for the caller's cleanup) and port.
start_relay_sim() {
  local port_file="$1"
  shift
  # A port file left by an earlier relay-sim would be read before the new one empties it.
  rm -f "$port_file"
  "$bin/relay-sim" "$@" >"$port_file" &
  sim_pid=$!
  for _ in $(seq 400); do
    [ -s "$port_file" ] && break
    sleep 0.05
  done
  port="$(head -n 1 "$port_file")"
  [[ "$port" =~ ^[0-9]+$ ]] || { echo "FAIL: relay-sim printed no port" >&2; exit 1; }
}

# The Relay values of the configuration, all pointing at relay-sim on port.
export_relay_env() {
  export LISTWRIGHT_RELAY_HOST="127.0.0.1:$port" LISTWRIGHT_APP_KEY=key LISTWRIGHT_ACCESS_TOKEN=token
  export LISTWRIGHT_ACCOUNT_CODE=acc http_proxy="http://127.0.0.1:$port"
}

