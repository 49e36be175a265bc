#!/usr/bin/env bash
# Runs a command inside a small virtual machine with a real V4L2 camera driver:
# Debian's own kernel with vivid (the kernel's virtual camera), udev, and this
# machine's root file system mounted read-only over 9p, so that what was built
# here runs inside as it is.
#
#   scripts/v4l2-vm.sh [--vivid "OPTIONS"] [--mem MB] [--out DIR] -- COMMAND [ARGS...]
#
#   --vivid  vivid's module options (default: one webcam, "n_devs=1 node_types=0x1
#            input_types=0x0"). Inside, `modprobe -d /run/modroot [-r] vivid ...`
#            unloads and loads it again: an unplug and a plug-in that udev reports.
#   --out    a folder shared read-write with the machine at the same path (default ./vm-out)
#   --mem    the machine's memory in MB (default 2048)
#
# Inside: root, HOME=/run/home, TMPDIR=/run/tmp, XDG_RUNTIME_DIR=/run/user (tmpfs),
# udevd running. The command's output is printed; its exit status is this script's.
# Without KVM the machine is emulated: it boots in about 5 s and runs about ten
# times slower than this one, so whatever runs inside waits for events, not times.
# The kernel package is fetched once into $OMBRIX_VM_CACHE (default /var/cache/ombrix-vm).
set -euo pipefail

vivid="n_devs=1 node_types=0x1 input_types=0x0"
mem=2048
out=$PWD/vm-out
while [ $# -gt 0 ]; do
  case $1 in
    --vivid) vivid=$2; shift 2 ;;
    --mem) mem=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done
[ $# -gt 0 ] || { echo "usage: v4l2-vm.sh [--vivid OPTS] [--mem MB] [--out DIR] -- COMMAND..." >&2; exit 2; }

need=()
for p in qemu-system-x86 busybox-static kmod cpio udev v4l-utils; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  [ "$(id -u)" -eq 0 ] || { echo "v4l2-vm: needs: sudo apt-get install -y ${need[*]}" >&2; exit 1; }
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

cache=${OMBRIX_VM_CACHE:-/var/cache/ombrix-vm}
mkdir -p "$cache"
# The kernel: the image package Debian's linux-image-amd64 points at, unpacked once.
if [ ! -f "$cache/kernel.ready" ]; then
  pkg=$(apt-cache depends linux-image-amd64 | awk '/Depends: linux-image-[0-9]/ {print $2; exit}')
  if [ -z "$pkg" ]; then
    apt-get update -qq
    pkg=$(apt-cache depends linux-image-amd64 | awk '/Depends: linux-image-[0-9]/ {print $2; exit}')
  fi
  [ -n "$pkg" ] || { echo "v4l2-vm: no kernel package found" >&2; exit 1; }
  rm -rf "$cache/root" "$cache"/*.deb "$cache/initrd.gz"
  (cd "$cache" && apt-get download -q "$pkg" >/dev/null 2>&1) || { echo "v4l2-vm: cannot download $pkg" >&2; exit 1; }
  dpkg-deb -x "$cache"/"$pkg"_*.deb "$cache/root"
  rm -f "$cache"/*.deb
  kver=$(ls "$cache/root/lib/modules")
  depmod -b "$cache/root" "$kver"
  echo "$kver" > "$cache/kernel.ready"
fi
kver=$(cat "$cache/kernel.ready")
moddir=$cache/root/lib/modules/$kver

# The initramfs: busybox, the modules for 9p over virtio (in load order), and an
# init that mounts this machine's root and runs the command.
if [ ! -f "$cache/initrd.gz" ]; then
  ird=$(mktemp -d)
  mkdir -p "$ird"/{bin,proc,sys,dev,newroot,lib/modules}
  cp /usr/bin/busybox "$ird/bin/"
  /usr/bin/python3 - "$moddir" virtio_pci 9pnet_virtio 9p > "$ird/load-order" <<'PY'
import os, sys
moddir, wanted = sys.argv[1], sys.argv[2:]
deps = {}
for line in open(os.path.join(moddir, "modules.dep")):
    path, _, rest = line.partition(":")
    deps[os.path.basename(path).split(".ko")[0].replace("-", "_")] = (path, rest.split())
order, seen = [], set()
def visit(name):
    if name in seen:
        return
    seen.add(name)
    path, needs = deps[name]
    for n in needs:
        visit(os.path.basename(n).split(".ko")[0].replace("-", "_"))
    order.append(path)
for w in wanted:
    visit(w)
print("\n".join(order))
PY
  while read -r m; do mkdir -p "$ird/lib/modules/$kver/$(dirname "$m")"; cp "$moddir/$m" "$ird/lib/modules/$kver/$m"; done < "$ird/load-order"
  cat > "$ird/init" <<'INIT'
#!/bin/busybox sh
/bin/busybox --install -s /bin
mount -t proc proc /proc; mount -t sysfs sys /sys; mount -t devtmpfs dev /dev
kver=$(uname -r)
for m in $(cat /load-order); do insmod /lib/modules/$kver/$m || echo "v4l2-vm: insmod $m failed"; done
mount -t 9p -o trans=virtio,version=9p2000.L,ro,msize=524288,cache=loose hostroot /newroot || { echo "v4l2-vm: cannot mount the root"; poweroff -f; }
mount -t tmpfs run /newroot/run; mount -t tmpfs vartmp /newroot/var/tmp
ln -s "$(sed -n 's/.*vmcache=\([^ ]*\).*/\1/p' /proc/cmdline)/root" /newroot/run/modroot
out=$(sed -n 's/.*vmout=\([^ ]*\).*/\1/p' /proc/cmdline)
mount -t 9p -o trans=virtio,version=9p2000.L,msize=524288 out "/newroot$out" || echo "v4l2-vm: cannot mount $out"
mount --move /dev /newroot/dev; mount --move /proc /newroot/proc; mount --move /sys /newroot/sys
exec switch_root /newroot /bin/sh "$out/.vm-run"
INIT
  chmod +x "$ird/init"
  (cd "$ird" && find . | cpio -o -H newc 2>/dev/null | gzip -1) > "$cache/initrd.gz"
  rm -rf "$ird"
fi

mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -f "$out/.vm-rc"
{
  echo '#!/bin/sh'
  echo 'export HOME=/run/home TMPDIR=/run/tmp XDG_RUNTIME_DIR=/run/user PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin'
  echo 'mkdir -p "$HOME" "$TMPDIR" "$XDG_RUNTIME_DIR"; chmod 700 "$XDG_RUNTIME_DIR"'
  printf 'modprobe -d /run/modroot vivid %s\n' "$vivid"
  echo '/lib/systemd/systemd-udevd --daemon >/dev/null 2>&1; udevadm trigger; udevadm settle -t 20'
  printf 'cd %q\n' "$PWD"
  printf '%q ' "$@"; echo
  printf 'echo $? > %q\n' "$out/.vm-rc"
  echo 'sync; echo o > /proc/sysrq-trigger; sleep 10'
} > "$out/.vm-run"

timeout "${OMBRIX_VM_TIMEOUT:-900}" qemu-system-x86_64 -cpu max -m "$mem" -smp 2 -nographic -no-reboot -nodefaults -serial stdio \
  -kernel "$cache/root/boot/vmlinuz-$kver" -initrd "$cache/initrd.gz" \
  -append "console=ttyS0 quiet loglevel=3 panic=-1 vmout=$out vmcache=$cache" \
  -virtfs local,path=/,mount_tag=hostroot,security_model=none,readonly=on,multidevs=remap \
  -virtfs "local,path=$out,mount_tag=out,security_model=none,multidevs=remap" | tr -d '\r' | sed -u 's/\x1b[[0-9;?]*[a-zA-Z]//g; s/\x1bc//g'
[ -f "$out/.vm-rc" ] || { echo "v4l2-vm: the machine stopped before the command ended" >&2; exit 1; }
exit "$(cat "$out/.vm-rc")"
