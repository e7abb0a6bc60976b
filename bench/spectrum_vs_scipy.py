#!/usr/bin/python3
"""Noise spectrum and histogram of 65536 samples: the benchmark's medians beside
scipy.signal.welch (Blackman-Harris, 8 segments of 14400 with 50 % overlap, mean removed,
density scaling) and numpy.histogram (one bin per code) timed in the same run.

usage: bench/spectrum_vs_scipy.py [BUILD_DIR]   (default: build; runs the system python3,
which holds python3-numpy and python3-scipy)
"""
import json
import statistics
import subprocess
import sys
import time
import timeit

import numpy as np
from scipy.signal import welch

REPETITIONS = 15
build = sys.argv[1] if len(sys.argv) > 1 else "build"
out = subprocess.run([f"{build}/bin/qx_spectrum_bench", "--benchmark_format=json",
                      f"--benchmark_repetitions={REPETITIONS}",
                      "--benchmark_report_aggregates_only=true",
                      "--benchmark_filter=BM_Spectrum|BM_Histogram|BM_EstimatedPlan"],
                     check=True, capture_output=True, text=True)
scale = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}
# (wall, CPU) medians in microseconds: on a shared machine the CPU time is the steadier figure.
ours = {b["run_name"]: (b["real_time"] * scale[b["time_unit"]], b["cpu_time"] * scale[b["time_unit"]])
        for b in json.loads(out.stdout)["benchmarks"] if b.get("aggregate_name") == "median"}

# The same kind of data: a seeded Gaussian of 40 codes around a DC level, whole codes (the
# cost depends on the count and the spread, not on the values themselves).
rng = np.random.default_rng(7)
codes = np.trunc(250_000 + rng.normal(0.0, 40.0, 65536))
segment = 14400


def scipy_welch():
    return welch(codes, fs=2560.0, window="blackmanharris", nperseg=segment,
                 noverlap=segment // 2, detrend="constant", scaling="density")


def numpy_histogram():
    low, high = np.floor(codes.min() + 0.5), np.floor(codes.max() + 0.5)
    return np.histogram(codes, bins=np.arange(low - 0.5, high + 1.0, 1.0))


def median_us(fn, runs=10):
    def median(timer):
        return statistics.median(timeit.repeat(fn, number=runs, repeat=REPETITIONS,
                                               timer=timer)) / runs * 1e6
    return median(time.perf_counter), median(time.process_time)


assert len(scipy_welch()[1]) == segment // 2 + 1
pairs = [("spectrum, Welch 8 x 14400 (FFTW, plan reused)", "BM_Spectrum", median_us(scipy_welch),
          "scipy.signal.welch"),
         ("histogram, one bin per code", "BM_Histogram", median_us(numpy_histogram),
          "numpy.histogram")]
print(f"median over {REPETITIONS} runs, 65536 samples, microseconds (wall / CPU)")
print(f"{'':50s} {'ours':>17s} {'python':>17s}")
for what, name, theirs, who in pairs:
    wall, cpu = ours[name]
    print(f"{what:50s} {wall:8.1f} /{cpu:7.1f} {theirs[0]:8.1f} /{theirs[1]:7.1f}  "
          f"({who}; {theirs[1] / cpu:.1f}x in CPU)")
for what, name in (("spectrum with a measured FFTW plan", "BM_SpectrumMeasuredPlan"),
                   ("estimated plan of a 14400 segment (once per size)",
                    "BM_EstimatedPlanOfASegment")):
    if name in ours:
        print(f"{what:50s} {ours[name][0]:8.1f} /{ours[name][1]:7.1f}")
