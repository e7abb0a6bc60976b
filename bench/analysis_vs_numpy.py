#!/usr/bin/python3
"""Noise statistics of 65536 samples: the capture's figures against numpy's mean, standard
deviation, minimum and maximum of the same values, side by side.

usage: bench/analysis_vs_numpy.py [BUILD_DIR]   (default: build; runs the system python3, which
holds python3-numpy)
"""
import json
import subprocess
import sys
import timeit

import numpy as np

build = sys.argv[1] if len(sys.argv) > 1 else "build"
out = subprocess.run([f"{build}/bin/qx_analysis_bench", "--benchmark_format=json",
                      "--benchmark_min_time=0.5"], check=True, capture_output=True, text=True)
ours = {b["name"]: b["real_time"] for b in json.loads(out.stdout)["benchmarks"]}

# The same seeded run cannot be reproduced bit for bit here; the cost does not depend on the
# values, only on their number and type.
rng = np.random.default_rng(7)
values = (2_000_000 + rng.normal(0.0, 40.0, 65536)).astype(np.int64).astype(np.float64)


def numpy_stats():
    return values.mean(), values.std(), values.min(), values.max()


runs = 2000
numpy_us = min(timeit.repeat(numpy_stats, number=runs, repeat=5)) / runs * 1e6
print(f"{'what (65536 samples)':44s} {'time us':>10s}")
print(f"{'numpy mean+std+min+max':44s} {numpy_us:10.1f}")
for name, t in ours.items():
    print(f"{name:44s} {t:10.1f}  ({numpy_us / t:.2f}x numpy)")
