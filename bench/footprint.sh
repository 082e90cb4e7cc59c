#!/usr/bin/env bash
# What one measuring run costs the machine it measures: the CPU time per
# minute of waiting and the peak resident memory.
#
# The program runs as after a restart ("/run"): it samples once a second
# until the machine has been idle for ten seconds, then shows its result.
# It runs without a terminal, so that the result goes to stderr and the
# final key wait returns at once; in a mount namespace of its own with an
# empty folder over the autostart folder, so that the clean-up after the
# result touches no real entry; and with no xdg-open on its PATH, so that
# no browser opens.
#
# Usage: bench/footprint.sh [program]      (default: build/bench/vantrel)
# Needs an idle machine, /usr/bin/time (Debian package "time"), unshare,
# and root or unprivileged user namespaces. Takes about 15 seconds.
set -euo pipefail

# Seconds after the start at which the waiting is timed: past the start-up
# and the first sample, and before the earliest possible end at ten.
WINDOW_START=2
WINDOW_END=9

if [ "${1:-}" = "--inside" ]; then
    program=$2
    work=$3
    # Never mount over the real folder: only inside a namespace of our own.
    if [ "$(readlink /proc/self/ns/mnt)" = "$4" ]; then
        echo "footprint: --inside is for the script itself, in its own mount namespace" >&2
        exit 1
    fi
    # The clean-up deletes its entry here: let it find an empty folder.
    if [ -d /etc/xdg/autostart ]; then
        mount -t tmpfs -o size=64k,mode=0755 vantrel-footprint /etc/xdg/autostart
    elif [ -d /etc/xdg ]; then
        mount -t tmpfs -o size=64k,mode=0755 vantrel-footprint /etc/xdg
    fi
    # The shell writes its process ID and becomes the program, so /proc can
    # be read while it runs and /usr/bin/time reports the program itself.
    # shellcheck disable=SC2016 # expanded by that inner shell
    setsid --wait /usr/bin/time -v -o "$work/time.txt" \
        /bin/sh -c 'echo $$ >"$1.tmp" && mv "$1.tmp" "$1" && PATH=/nonexistent exec "$2" /run' \
        sh "$work/pid" "$program" </dev/null >"$work/stdout.txt" 2>"$work/stderr.txt" &
    runner=$!
    for _ in $(seq 100); do
        [ -s "$work/pid" ] && break
        sleep 0.05
    done
    pid=$(cat "$work/pid")
    sleep "$WINDOW_START"
    read -r ns1 _ <"/proc/$pid/schedstat"
    t1=$(date +%s%N)
    sleep "$((WINDOW_END - WINDOW_START))"
    read -r ns2 _ <"/proc/$pid/schedstat"
    t2=$(date +%s%N)
    wait "$runner"
    echo "$ns1 $ns2 $t1 $t2" >"$work/window.txt"
    exit 0
fi

program=$(realpath "${1:-build/bench/vantrel}")
if [ ! -x "$program" ]; then
    echo "footprint: no program at $program; build it first (make bench)" >&2
    exit 1
fi
if [ ! -x /usr/bin/time ]; then
    echo "footprint: /usr/bin/time is missing; install the package \"time\"" >&2
    exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

namespace=(unshare --mount --propagation private)
[ "$(id -u)" -eq 0 ] || namespace+=(--map-root-user)
if ! "${namespace[@]}" "$0" --inside "$program" "$work" "$(readlink /proc/self/ns/mnt)"; then
    echo "footprint: the run failed; what it wrote to stderr:" >&2
    cat "$work/stderr.txt" >&2 || true
    exit 1
fi

read -r ns1 ns2 t1 t2 <"$work/window.txt"
field() { sed -n "s/^[[:space:]]*$1: //p" "$work/time.txt"; }
awk -v cpu=$((ns2 - ns1)) -v wall=$((t2 - t1)) -v rss="$(field 'Maximum resident set size (kbytes)')" \
    -v elapsed="$(field 'Elapsed (wall clock) time (h:mm:ss or m:ss)')" \
    -v user="$(field 'User time (seconds)')" -v sys="$(field 'System time (seconds)')" 'BEGIN {
    permin = cpu / wall * 60e9 / 1e6
    printf "While waiting (%.1f s timed): %.3f ms CPU per minute = %.5f %% of one processor (target under 0.01 %%: %s)\n",
           wall / 1e9, permin, cpu / wall * 100, (cpu / wall * 100 < 0.01) ? "met" : "MISSED"
    printf "Peak resident memory: %d KiB = %.2f MiB (target under 4 MiB: %s)\n",
           rss, rss / 1024, (rss < 4096) ? "met" : "MISSED"
    printf "Whole run: %s elapsed, %s s user, %s s system (10 ms resolution)\n", elapsed, user, sys
}'
