#!/usr/bin/env bash
# One whole cycle of the real program in a qemu virtual machine: arm, a real
# forced restart, measure at the next boot, clean up. Nothing runs on this
# host's own autostart folder, and this host is never restarted.
#
# Usage: tests/vm/cycle.sh [--vantrel PATH] [--log FILE] [--transcript FILE] [--timeout SECONDS]
#   --vantrel     a statically linked vantrel; without it the "vm" preset is built
#   --log         where the serial console log goes (default: in the work folder)
#   --transcript  where the trimmed transcript of the cycle goes
# The kernel is Debian's own, downloaded once into $VANTREL_VM_CACHE
# (default: ${XDG_CACHE_HOME:-~/.cache}/vantrel-vm); nothing is installed.
set -euo pipefail
shopt -s inherit_errexit  # a failed step inside $(...) fails the run too

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
vantrel=""
log=""
transcript=""
timeout=300
while [ $# -gt 0 ]; do
    case $1 in
        --vantrel) vantrel=$2; shift 2 ;;
        --log) log=$2; shift 2 ;;
        --transcript) transcript=$2; shift 2 ;;
        --timeout) timeout=$2; shift 2 ;;
        *) echo "cycle.sh: unknown argument $1" >&2; exit 2 ;;
    esac
done
export PATH="$PATH:/usr/sbin:/sbin"

# The disk's modules, in the order insmod needs them.
MODULES="virtio_ring virtio virtio_pci_modern_dev virtio_pci_legacy_dev virtio_pci virtio_blk
         crc16 mbcache jbd2 crc32c_generic ext4"

"$root/scripts/ensure-packages.sh" qemu-system-x86 busybox-static e2fsprogs
command -v python3 >/dev/null || "$root/scripts/ensure-packages.sh" python3

work=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-vm.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 143' TERM INT

# Debian's current kernel: vmlinuz and the disk's modules, kept in the cache.
kernel_dir() {
    local cache=${VANTREL_VM_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vantrel-vm}
    local found
    found=$(find "$cache" -maxdepth 2 -name ready -path '*/linux-image-*' 2>/dev/null | sort | tail -n 1)
    if [ -n "$found" ]; then
        dirname "$found"
        return
    fi
    local package
    package=$(apt-cache depends linux-image-amd64 2>/dev/null | sed -n 's/^ *Depends: \(linux-image-.*\)$/\1/p' | head -n 1)
    if [ -z "$package" ]; then
        echo "Updating the package lists to find the current kernel package" >&2
        apt-get update -qq >&2 || true
        package=$(apt-cache depends linux-image-amd64 | sed -n 's/^ *Depends: \(linux-image-.*\)$/\1/p' | head -n 1)
    fi
    [ -n "$package" ] || { echo "cycle.sh: no kernel package found for linux-image-amd64" >&2; return 1; }

    echo "Downloading $package (once; kept in $cache)" >&2
    mkdir -p "$cache"
    rm -rf "$cache"/.stage.*  # left by an interrupted download
    local stage
    stage=$(mktemp -d "$cache/.stage.XXXXXX")
    (cd "$stage" && apt-get download -q "$package" >&2)
    dpkg-deb -x "$stage"/*.deb "$stage/tree"
    mkdir "$stage/kernel"
    cp "$stage"/tree/boot/vmlinuz-* "$stage/kernel/vmlinuz"
    local module file
    for module in $MODULES; do
        file=$(find "$stage/tree/lib/modules" -name "$module.ko*" | head -n 1)
        [ -n "$file" ] || { echo "cycle.sh: module $module not in $package" >&2; rm -rf "$stage"; return 1; }
        case $file in
            *.ko) cp "$file" "$stage/kernel/$module.ko" ;;
            *.ko.xz) xz -dc "$file" >"$stage/kernel/$module.ko" ;;
            *.ko.zst) zstd -qdc "$file" >"$stage/kernel/$module.ko" ;;
            *) echo "cycle.sh: cannot unpack $file" >&2; rm -rf "$stage"; return 1 ;;
        esac
    done
    touch "$stage/kernel/ready"
    rm -rf "${cache:?}/$package"
    mv "$stage/kernel" "$cache/$package"
    rm -rf "$stage"
    echo "$cache/$package"
}

if [ -z "$vantrel" ]; then
    (cd "$root" && cmake --preset vm >/dev/null && cmake --build --preset vm)
    vantrel="$root/build/vm/vantrel"
fi
# The machine has no libraries: the program must need none.
if ! readelf -h "$vantrel" >/dev/null 2>&1 || readelf -d "$vantrel" | grep -q '(NEEDED)'; then
    echo "cycle.sh: $vantrel is no statically linked program; build the \"vm\" preset" >&2
    exit 2
fi
kernel=$(kernel_dir)

# The initramfs: busybox, our init and session, the modules, the program in
# a folder with a blank, so that the entry's quoting has something to do.
initrd="$work/initrd"
mkdir -p "$initrd"/{bin,sbin,usr/bin,usr/sbin,proc,sys,dev,mnt,root,etc/xdg,modules,"opt/Corvane Utility"}
cp "$(command -v busybox)" "$initrd/bin/busybox"
ln -s busybox "$initrd/bin/sh"
install -m 0755 "$here/init.sh" "$initrd/init"
install -m 0755 "$here/autostart.sh" "$initrd/autostart.sh"
install -m 0644 "$here/exec_split.awk" "$initrd/exec_split.awk"
install -m 0755 "$vantrel" "$initrd/opt/Corvane Utility/vantrel"
for module in $MODULES; do
    cp "$kernel/$module.ko" "$initrd/modules/"
    echo "$module" >>"$initrd/modules/order"
done
(cd "$initrd" && find . | busybox cpio -o -H newc >"$work/initrd.cpio" 2>/dev/null)

# The persistent disk: the autostart folder and the boot counter.
truncate -s 32M "$work/disk.img"
mke2fs -q -F -t ext4 "$work/disk.img"

echo "Running the cycle in a virtual machine (software emulation; under a minute)"
# In the background, so that a stop reaches the driver, which then ends
# the machine and shows its console.
python3 "$here/driver.py" --kernel "$kernel/vmlinuz" --initrd "$work/initrd.cpio" --disk "$work/disk.img" \
    --log "${log:-$work/serial.log}" ${transcript:+--transcript "$transcript"} --timeout "$timeout" &
driver=$!
trap 'kill -TERM "$driver" 2>/dev/null; wait "$driver" || true; exit 143' TERM INT
wait "$driver"
