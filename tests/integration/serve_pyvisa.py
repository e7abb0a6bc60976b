#!/usr/bin/python3
"""qxctl serve driven by a client nobody here wrote: PyVISA with its pure-Python backend.

usage: serve_pyvisa.py QXCTL
Starts `QXCTL --simulate --virtual-time serve --listen 127.0.0.1:0`, talks to it as a lab
script would, then ends it with SIGTERM and expects exit status 0.
"""
import re
import select
import signal
import subprocess
import sys

import pyvisa


def start(qxctl):
    server = subprocess.Popen(
        [qxctl, "--simulate", "--virtual-time", "serve", "--listen", "127.0.0.1:0"],
        stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    ready, _, _ = select.select([server.stdout], [], [], 10)
    if not ready:
        server.kill()
        sys.exit("qxctl serve said nothing within 10 s")
    line = server.stdout.readline()
    match = re.fullmatch(r"listening on 127\.0\.0\.1:(\d+)\n", line)
    if not match or match.group(1) == "0":
        server.kill()
        sys.exit(f"unexpected first line: {line!r}")
    return server, int(match.group(1))


def check(what, got, expected):
    if got != expected:
        raise AssertionError(f"{what}: got {got!r}, expected {expected!r}")


def main():
    server, port = start(sys.argv[1])
    try:
        rm = pyvisa.ResourceManager("@py")
        address = f"TCPIP::127.0.0.1::{port}::SOCKET"

        def connect():
            inst = rm.open_resource(address, read_termination="\n", write_termination="\n")
            inst.timeout = 5000
            return inst

        a = connect()
        fields = a.query("*IDN?").split(",")
        check("*IDN? fields", len(fields), 4)
        check("maker", fields[0], "Quorvane")

        a.write("NOSUCH:HEADer 1")
        check("undefined header", a.query("SYST:ERR?"), '-113,"Undefined header;NOSUCH:HEADer"')
        check("queue empty", a.query("SYST:ERR?"), '0,"No error"')

        a.write("REG:VAL 1,#H22")
        check("read-back by address", a.query("REG:VAL? 1"), "34")
        check("write left no error", a.query("SYST:ERR?"), '0,"No error"')

        b = connect()
        check("lock granted", a.query("SYST:LOCK:REQ?"), "1")
        check("lock refused", b.query("SYST:LOCK:REQ?"), "0")
        b.write("REG:VAL 1,5")
        error = b.query("SYST:ERR?")
        if not error.startswith("-203,") or "lock" not in error:
            raise AssertionError(f"locked write: {error!r}")
        check("holder's value stays", b.query("REG:VAL? 1"), "34")
        a.write("SYST:LOCK:REL")
        b.write("REG:VAL 1,5")
        check("write after release", b.query("REG:VAL? 1"), "5")

        garbage = bytes(i % 256 for i in range(100 * 1024) if i % 256 != 10)
        garbage += bytes(100 * 1024 - len(garbage))
        a.write_raw(garbage)
        check("other client during the long line", b.query("*IDN?").split(",")[0], "Quorvane")
        a.write_raw(b"\n")
        check("answered after the long line", a.query("*IDN?").split(",")[0], "Quorvane")
        error = a.query("SYST:ERR?")
        if not error.startswith("-363,"):
            raise AssertionError(f"long line: {error!r}")
        a.close()
        b.close()
        rm.close()
    finally:
        server.send_signal(signal.SIGTERM)
        try:
            status = server.wait(10)
        except subprocess.TimeoutExpired:
            server.kill()
            raise
    check("exit status after SIGTERM", status, 0)
    print("serve_pyvisa: ok")


if __name__ == "__main__":
    main()
