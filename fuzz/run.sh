#!/usr/bin/env bash
# Runs a fuzzer for a bounded time on a scratch copy of the seed corpus, so
# that the committed corpus stays as it is. Any finding fails the run; the
# input that caused it is printed (base64) and kept in the scratch folder.
# Usage: fuzz/run.sh <fuzzer program> [seconds]
set -euo pipefail

fuzzer=${1:?usage: fuzz/run.sh <fuzzer program> [seconds]}
seconds=${2:-60}
corpus="$(cd "$(dirname "$0")" && pwd)/corpus"

work=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-fuzz.XXXXXX")
keep=0
cleanup() { [ "$keep" -eq 1 ] || rm -rf "$work"; }
trap cleanup EXIT
mkdir "$work/corpus" "$work/findings"
cp "$corpus"/* "$work/corpus/"

# -timeout: an input that runs this long counts as a hang. The buffer grows
# to 64 MiB at most, far inside the memory limit.
status=0
"$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$work/findings/" "$work/corpus" || status=$?

findings=("$work"/findings/*)
if [ "$status" -eq 0 ] && [ ! -e "${findings[0]}" ]; then
    exit 0
fi
keep=1
echo "fuzz: the run failed (exit status $status); findings are in $work/findings" >&2
for finding in "$work"/findings/*; do
    [ -e "$finding" ] || continue
    echo "--- $(basename "$finding") (base64); reproduce with: $fuzzer <file>" >&2
    base64 "$finding" >&2
done
exit 1
