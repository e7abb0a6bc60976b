#!/usr/bin/env bash
# `INIT;*OPC?` of a 4096-point capture through qxctl serve on the simulated board in real time,
# from a Python socket client: wall time of each round trip against the bridge's own limit of
# ceil((N + 13) / 21) polls of 10 ms, as bench/enob_capture.sh measures `qxctl enob`.
# usage: bench/serve_capture.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build=${1:-build}
runs=${2:-5}
exec 3< <("$build/bin/qxctl" --simulate serve --listen 127.0.0.1:0 2>/dev/null)
server=$!
trap 'kill $server 2>/dev/null || true' EXIT
read -r -u 3 line
port=${line##*:}
python3 - "$port" "$runs" <<'PY'
import socket, statistics, sys, time
port, runs = int(sys.argv[1]), int(sys.argv[2])
n = 4096
polls = (n + 13 + 20) // 21
limit_ms = polls * 10
s = socket.create_connection(("127.0.0.1", port))
s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
f = s.makefile("rwb", buffering=0)
def ask(text):
    f.write(text.encode() + b"\n")
    return f.readline().decode().strip()
assert ask(f"SENS:ADC:POIN {n};AVER 1;RES 23;REF 2.4;*OPC?") == "1"
walls = []
for _ in range(runs):
    t = time.perf_counter()
    reply = ask("INIT;*OPC?")
    walls.append((time.perf_counter() - t) * 1000)
    assert reply == "1", reply
    error = ask("SYST:ERR?")
    assert error.startswith("0,") or error.startswith("10,"), error
median = statistics.median(walls)
print(f"limit {polls} polls = {limit_ms} ms; INIT;*OPC? median {median:.0f} ms "
      f"({median / limit_ms:.3f} x the limit) over {runs} runs: "
      + ", ".join(f"{w:.0f}" for w in walls))
PY
