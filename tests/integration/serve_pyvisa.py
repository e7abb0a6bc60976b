#!/usr/bin/python3
"""qxctl serve driven by a client nobody here wrote: PyVISA with its pure-Python backend.

usage: serve_pyvisa.py QXCTL
Starts `QXCTL --simulate --virtual-time --dir DIR serve --listen 127.0.0.1:0` on a program
folder of its own, talks to it as a lab script would, then ends it with SIGTERM and expects
exit status 0.
"""
import os
import pathlib
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import numpy
import pyvisa


MODES = 40


def program_folder(path):
    """The chip descriptions of the source tree and step files of MODES modes."""
    shutil.copytree(pathlib.Path(__file__).resolve().parents[2] / "INCLUDE", path / "INCLUDE")
    lines = {"Register.txt": ["   0"] + [f"  {m % 256:02X}" for m in range(MODES)],
             "Delay.txt": ["     1"] * MODES, "ACM.txt": ["   2.4"] * MODES}
    for name, rows in lines.items():
        (path / name).write_bytes("".join(r + "\r\n" for r in rows).encode())


def start(qxctl, folder):
    server = subprocess.Popen(
        [qxctl, "--simulate", "--virtual-time", "--dir", str(folder), "serve",
         "--listen", "127.0.0.1:0"],
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


def same_as_qxctl_enob(inst, qxctl, folder):
    """The first capture of a fresh simulated bench is the one `qxctl enob` takes: same figures."""
    check("no capture yet", inst.query("FETC:ADC:NOIS?;:SYST:ERR?"),
          '-230,"Data corrupt or stale;no capture has completed"')
    inst.write("SENS:ADC:POIN 4096;AVER 1;RES 23;REF 1.2")
    check("first capture done", inst.query("INIT;*OPC?"), "1")
    codes = numpy.array(inst.query_binary_values("FORM INT,32;:FETC:ADC:COD?", datatype="i",
                                                 is_big_endian=True))
    inst.write("FORM ASC")
    mean, rms_nv, vpp_nv, enob, noise_free = (float(v) for v in inst.query("FETC:ADC:NOIS?").split(","))
    enob_run = subprocess.run(
        [qxctl, "--simulate", "--virtual-time", "--dir", str(folder), "enob", "--points", "4096",
         "--bits", "23", "--ref", "1.2"], capture_output=True, text=True, check=True)
    table = dict(line.split("\t") for line in enob_run.stdout.splitlines() if "\t" in line)
    for name, ours in (("Average", mean), ("RMS Noise", rms_nv), ("Vp-p Noise", vpp_nv),
                       ("ENOB", enob), ("Noise Free", noise_free)):
        if abs(float(table[name]) - ours) > 0.006:
            raise AssertionError(f"{name}: qxctl enob {table[name]}, FETC:ADC:NOIS? {ours}")
    # numpy on the raw 24-bit codes: the mean halved is the 23-bit mean; the standard deviation
    # halved is the RMS count within the rounding the halving adds.
    if abs(numpy.mean(codes) / 2 - mean) > 0.5:
        raise AssertionError(f"mean {mean} against numpy's {numpy.mean(codes) / 2}")
    if abs(numpy.std(codes) / 2 - float(table["RMS Count"])) > 0.15:
        raise AssertionError(f"RMS {table['RMS Count']} codes against numpy's {numpy.std(codes) / 2}")


def capture(inst):
    """A capture as a lab script runs one: settings, INIT + *OPC?, the codes as a binary block."""
    inst.write("SENS:ADC:POIN 4096;AVER 1;RES 23;REF 1.2")
    check("settings", inst.query("SENS:ADC:POIN?;AVER?;RES?;REF?"), "4096;1;23;1.2")
    check("capture done", inst.query("INIT;*OPC?"), "1")
    inst.write("FORM INT,32")
    codes = numpy.array(inst.query_binary_values("FETC:ADC:COD?", datatype="i", is_big_endian=True))
    inst.write("FORM ASC")
    check("codes", len(codes), 4096)
    mean, rms_nv, vpp_nv, enob, noise_free = (float(v) for v in inst.query("FETC:ADC:NOIS?").split(","))
    # The figures are of 23-bit codes: the 24-bit codes halved.
    if abs(numpy.mean(codes) / 2 - mean) > 0.5:
        raise AssertionError(f"mean {mean} against numpy's {numpy.mean(codes) / 2}")
    # A 23-bit code of 2 x 1.2 V full scale is 286 nV; halving adds its own rounding noise.
    per_code = rms_nv / (numpy.std(codes) / 2)
    if not 250 < per_code < 350:
        raise AssertionError(f"RMS {rms_nv} nV against numpy's {numpy.std(codes) / 2} codes")
    if not (vpp_nv > rms_nv and 18 < noise_free <= enob < 23.5):
        raise AssertionError(f"figures {vpp_nv}, {enob}, {noise_free}")
    figures = inst.query("MEAS:ADC:NOIS? 1024").split(",")
    check("measure gives five figures", len(figures), 5)
    check("its codes", len(inst.query_ascii_values("FETC:ADC:COD?")), 1024)
    check("capture left no error", inst.query("SYST:ERR?"), '0,"No error"')
    # The largest gain drives the simulated input past full scale: no figures pass for noise.
    inst.write("REG:FIEL PGA,7")
    check("clipped capture ends", inst.query("INIT;*OPC?"), "1")
    error = inst.query("SYST:ERR?")
    if not re.fullmatch(r'10,"over range: \d+ of 1024 codes at an end of the code range"', error):
        raise AssertionError(f"clipped capture: {error!r}")
    inst.write("REG:FIEL PGA,0")


def temperature_run(a, b, folder):
    """A run started by one client, polled by both, served beside a query, then stopped."""
    check("no run yet", a.query("TEST:TEMP:STAT?"), "IDLE")
    a.write("SENS:ADC:POIN 65536")
    a.write("TEST:TEMP:STAR NOCH")
    states = []
    deadline = time.monotonic() + 20
    while time.monotonic() < deadline:
        states.append(b.query("TEST:TEMP:STAT?"))
        if re.fullmatch(r"RUNNING,1,([3-9]|\d\d),\d+", states[-1]):
            break
        time.sleep(0.05)
    else:
        raise AssertionError(f"the run never reached mode 3: {states[-5:]}")
    check("other clients answered meanwhile", b.query("*IDN?").split(",")[0], "Quorvane")
    b.write("REG:VAL 1,0")
    check("no change under a run", b.query("SYST:ERR?"),
          '12,"a temperature run is under way; TEST:TEMPerature:STOP ends it"')
    b.write("TEST:TEMP:STOP")
    check("the run ends", a.query("*OPC?"), "1")
    check("the starter is told", a.query("SYST:ERR?"),
          '11,"stopped by TEST:TEMPerature:STOP; RESume continues it"')
    check("idle again", a.query("TEST:TEMP:STAT?"), "IDLE")
    # The stopped run is in the journal, and the modes it measured in the result file.
    if not (folder / "QxRuns.db").exists() or not (folder / "QxTEMPA.CSV").exists():
        raise AssertionError(f"no journal or results in {sorted(os.listdir(folder))}")
    a.write("TEST:TEMP:STAR NOCH")
    check("an unfinished run is not started over",
          a.query("*OPC?;:SYST:ERR?").split(";")[1].split(",")[0], "11")


def main():
    with tempfile.TemporaryDirectory() as tmp:
        folder = pathlib.Path(tmp)
        program_folder(folder)
        run(folder)


def run(folder):
    server, port = start(sys.argv[1], folder)
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
        same_as_qxctl_enob(a, sys.argv[1], folder)

        a.write("NOSUCH:HEADer 1")
        check("undefined header", a.query("SYST:ERR?"), '-113,"Undefined header;NOSUCH:HEADer"')
        check("queue empty", a.query("SYST:ERR?"), '0,"No error"')

        a.write("REG:VAL 1,#H22")
        check("read-back by address", a.query("REG:VAL? 1"), "34")
        check("chip list", a.query("CHIP:CAT?").split(",")[0], '"QX7401  (16K)"')
        a.write("CHIP:SEL 0")
        check("chip chosen", a.query("CHIP:SEL?;:SYST:ERR?"), '0;0,"No error"')
        a.write('REG:VAL "adccon1",#H24')
        check("read-back by name", a.query("REG:VAL? ADCCON1;:REG:VAL? 1"), "36;36")
        check("write left no error", a.query("SYST:ERR?"), '0,"No error"')

        b = connect()
        check("lock granted", a.query("SYST:LOCK:REQ?"), "1")
        check("lock refused", b.query("SYST:LOCK:REQ?"), "0")
        b.write("REG:VAL 1,5")
        error = b.query("SYST:ERR?")
        if not error.startswith("-203,") or "lock" not in error:
            raise AssertionError(f"locked write: {error!r}")
        check("holder's value stays", b.query("REG:VAL? 1"), "36")
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
        capture(a)
        temperature_run(a, b, folder)
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
