#!/usr/bin/env bash
# Runs the tour of examples/ in a scratch copy and fails when any command of it reports an
# error or when the computed series are not printed.
set -euo pipefail
jex="$1"; examples="$2"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
cp "$examples/jex.cfg" "$examples/tour.add" "$dir/"
cd "$dir"
out="$("$jex" tour.add < /dev/null 2>&1)"
if grep -n -E 'Error|not available|Not a Jex command|Format for' <<<"$out"; then
  echo "the tour reported an error" >&2
  exit 1
fi
# Real GDP of 1990 is 100 * 5979.6 / 72.2; the quarterly interpolation averages back to the
# annual values; the scaled components add up to the control total.
grep -q ' 1990    8281.995' <<<"$out"
grep -q ' 1995    9335.07[89]   9677.65[89]' <<<"$out"
grep -q ' 1990    12.50000   22.22222   31.57895' <<<"$out"
# The regression's coefficients are those of exact least squares on the float data:
# -9301.7597, 50.254244, 0.58737183.
grep -q 'intercept             -9301.75974' <<<"$out"
grep -q 'pop                     50.25424' <<<"$out"
grep -q 'gdpr\[1\]                  0.58737' <<<"$out"
# The graph is a placeable metafile (its key first) with its SVG beside it.
[ "$(head -c 4 jexgraph.wmf | od -An -tx1 | tr -d ' ')" = "d7cdc69a" ]
grep -q '<svg' jexgraph.svg
echo "tour ran"
