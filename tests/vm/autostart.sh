#!/bin/sh
# The logon session of the test machine: starts each autostart entry as a
# desktop launcher would, its Exec line split by the Desktop Entry rules.
# Entries with Terminal=true run on the console, which is this machine's
# only terminal. Unlike a real session it waits for each, so that the host
# sees how each one ended.

say() { echo "@@VM@@ $*"; }
uptime_now() { cut -d' ' -f1 /proc/uptime; }

for entry in /etc/xdg/autostart/*.desktop; do
    [ -e "$entry" ] || continue
    name=${entry##*/}
    lines=$(awk -f /exec_split.awk "$entry")
    case $? in
        0) ;;
        2) say "skip $name"; continue ;;
        *) say "FAIL malformed entry $name"; exit 1 ;;
    esac
    say "entry $name $(grep '^Exec=' "$entry") Terminal=$(echo "$lines" | head -n 1)"

    terminal=
    set --
    while IFS= read -r arg; do
        if [ -z "$terminal" ]; then terminal=$arg; else set -- "$@" "$arg"; fi
    done <<LINES
$lines
LINES

    shown=
    for arg in "$@"; do shown="$shown [$arg]"; done
    say "run uptime $(uptime_now) argv$shown"
    if [ "$terminal" = true ]; then
        setsid cttyhack "$@"
    else
        setsid "$@" </dev/null >/dev/null 2>&1
    fi
    rc=$?
    say "exit $rc uptime $(uptime_now)"
done
