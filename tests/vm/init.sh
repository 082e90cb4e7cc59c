#!/bin/sh
# /init of the test machine. Boot 1 arms: vantrel runs without arguments on
# the console and restarts the machine. Boot 2 is the logon session: it
# starts the autostart entries, then checks that ours has gone and powers
# off. Every line of ours starts with "@@VM@@", so that the host can tell
# it from the firmware's and the kernel's output.
/bin/busybox --install -s
export PATH=/bin:/sbin:/usr/bin:/usr/sbin HOME=/root TERM=vt100

DISK=/mnt/disk
ENTRY=/etc/xdg/autostart/WinVantrel.desktop
PROGRAM="/opt/Corvane Utility/vantrel"

say() { echo "@@VM@@ $*"; }
uptime_now() { cut -d' ' -f1 /proc/uptime; }

power_off() {
    sync
    umount /etc/xdg 2>/dev/null
    umount "$DISK" 2>/dev/null
    poweroff -f
    sleep 60  # poweroff -f does not come back; pid 1 must not end either
}

fail() {
    say "FAIL $*"
    power_off
}

mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
# Only emergencies reach the console: kernel notes would break the
# program's lines apart.
echo 1 >/proc/sys/kernel/printk

# No modules.dep in the image, so the disk's modules go in by hand, in order.
while read -r module; do
    insmod "/modules/$module.ko" || fail "insmod $module"
done </modules/order
tries=0
while [ ! -b /dev/vda ]; do
    tries=$((tries + 1))
    [ $tries -gt 100 ] && fail "no /dev/vda"
    sleep 0.1
done
mkdir -p "$DISK"
mount -t ext4 /dev/vda "$DISK" || fail "mount /dev/vda"

# The boot counter: a cycle needs two boots, and a third one means the
# program restarted the machine where it should not have.
boots=$(cat "$DISK/boot-count" 2>/dev/null || echo 0)
boots=$((boots + 1))
echo "$boots" >"$DISK/boot-count"
sync
say "boot $boots uptime $(uptime_now)"
[ "$boots" -gt 2 ] && fail "boot $boots: the cycle should have ended at boot 2"

# The autostart folder lives on the persistent disk.
mkdir -p "$DISK/xdg" /etc/xdg
mount --bind "$DISK/xdg" /etc/xdg || fail "bind /etc/xdg"

if [ "$boots" -eq 1 ]; then
    [ -e "$ENTRY" ] && fail "entry present before arming"
    say "arm uptime $(uptime_now)"
    # The console as controlling terminal, as a root shell on it would have.
    setsid cttyhack "$PROGRAM"
    rc=$?
    # Only a refused restart comes back here.
    say "arm-exit $rc"
    fail "no restart after arming"
fi

sh /autostart.sh || fail "autostart"
if [ -e "$ENTRY" ]; then
    say "entry left"
    sed 's/^/@@VM@@ | /' "$ENTRY"
else
    say "entry gone"
fi
say "poweroff"
power_off
