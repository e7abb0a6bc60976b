#!/usr/bin/python3
"""Noise of the bench's converter at every PGA setting, over remote control (SCPI on TCP).

usage: noise_vs_gain.py [HOST:PORT] [POINTS]      (default 127.0.0.1:5025, 4096 points)

Start the bench first, e.g. `qxctl --simulate serve` or `qxpanel --remote`. Needs PyVISA and
its pure-Python backend (Debian: python3-pyvisa python3-pyvisa-py).
"""
import sys

import pyvisa


def main():
    where = sys.argv[1] if len(sys.argv) > 1 else "127.0.0.1:5025"
    points = int(sys.argv[2]) if len(sys.argv) > 2 else 4096
    host, port = where.rsplit(":", 1)
    rm = pyvisa.ResourceManager("@py")
    bench = rm.open_resource(f"TCPIP::{host}::{port}::SOCKET",
                             read_termination="\n", write_termination="\n")
    bench.timeout = 120_000  # a capture of 65,536 points takes a while on the real bridge
    if bench.query("SYST:LOCK:REQ?") != "1":
        sys.exit("another client holds the bench (SYSTem:LOCK)")
    bench.write(f"*CLS;:SENS:ADC:POIN {points};AVER 1;RES 23;REF 1.2")
    first = bench.query("REG:FIEL? PGA;:SYST:ERR?")
    if not first.endswith('0,"No error"'):
        sys.exit(f"the chip has no PGA field to sweep: {first}")
    print(f"{'PGA':>3}  {'mean (codes)':>14}  {'RMS (nV)':>10}  {'p-p (nV)':>10}  "
          f"{'ENOB':>6}  {'noise-free':>10}")
    try:
        for pga in range(8):
            bench.write(f"REG:FIEL PGA,{pga}")
            error = bench.query("SYST:ERR?")
            if error.startswith("-222"):
                break  # past the field's width: every setting was measured
            if not error.startswith("0,"):
                sys.exit(f"PGA {pga}: {error}")
            # A clipped capture answers no figures, only error 10: *OPC? waits for its end.
            bench.write("INIT")
            bench.query("*OPC?")
            error = bench.query("SYST:ERR?")
            if error.startswith("10,"):
                print(f"{pga:>3}  {error.split(',', 1)[1].strip(chr(34))}")
                continue
            if not error.startswith("0,"):
                sys.exit(f"PGA {pga}: the capture failed: {error}")
            mean, rms, vpp, enob, nfb = (float(v) for v in bench.query("FETC:ADC:NOIS?").split(","))
            print(f"{pga:>3}  {mean:>14.2f}  {rms:>10.1f}  {vpp:>10.1f}  {enob:>6.2f}  {nfb:>10.2f}")
    finally:
        bench.write(f"REG:FIEL PGA,{first.split(';')[0]}")  # the gain it had before
        bench.write("SYST:LOCK:REL")
        bench.close()


if __name__ == "__main__":
    main()
