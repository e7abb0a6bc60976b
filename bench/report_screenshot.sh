#!/usr/bin/env bash
# Renders the HTML report of a simulated temperature run in a real browser (Debian's chromium,
# headless) to a PNG, for looking at: 5 points from -40 °C by 25 °C, 4 modes of PGA 1, 2, 4 and 8.
# Not part of the tests: it needs chromium, which the build does not.
# usage: bench/report_screenshot.sh [BUILD_DIR] [OUT_PNG]
set -euo pipefail
build=${1:-build}
out=${2:-docs/run-report.png}
src=$(cd "$(dirname "$0")/.." && pwd)
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cp -r "$src/INCLUDE" "$dir/"
printf '   1\r\n  00\r\n  20\r\n  40\r\n  60\r\n' >"$dir/Register.txt"
printf '     1\r\n     1\r\n     1\r\n     1\r\n' >"$dir/Delay.txt"
printf '   2.4\r\n   2.4\r\n   2.4\r\n   2.4\r\n' >"$dir/ACM.txt"
"$build/bin/qxctl" --simulate --virtual-time --dir "$dir" temp-test --chamber --hold 0 \
  --points 5 --start -40 --step 25 --samples 4096 --dut "QX7401 EVB #3" \
  --note "offset and noise over temperature, PGA 1 to 8" 2>/dev/null
"$build/bin/qxctl" --dir "$dir" runs report 1 --out "$dir/report.html" >/dev/null
ls -l "$dir/report.html"
chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size=1240,1754 \
  --screenshot="$(realpath -m "$out")" "file://$dir/report.html" 2>/dev/null
echo "$out"
