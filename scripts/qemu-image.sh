#!/usr/bin/env bash
# Builds the emulated Debian 12 x86_64 machine that runs the 32-bit Windows programs under
# 32-bit Wine (a kernel that runs 32-bit Linux programs, which not every host has), from
# Debian's packages only, and prints the folder that holds it:
#   disk.img (ext4, the whole system with a Wine prefix reporting Windows 2000), vmlinuz, initrd.img
#   bash scripts/qemu-image.sh
# The machine is kept outside the clone, in DBT_QEMU_CACHE (default /var/cache/dbasetool-qemu),
# in a folder named after a hash of its recipe (this script and the files it puts into the
# machine), so it is built again only when the recipe changes. Run as root.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

recipe=(scripts/qemu-image.sh scripts/qemu-guest-init.sh scripts/qemu-run.sh)
hash=$(cat "${recipe[@]}" | sha256sum | cut -c1-16)
cache=${DBT_QEMU_CACHE:-/var/cache/dbasetool-qemu}
dir=$cache/$hash
if [ -f "$dir/done" ]; then
  echo "$dir"
  exit 0
fi
[ "$(id -u)" -eq 0 ] || { echo "qemu-image: debootstrap and chroot need root" >&2; exit 1; }
for tool in debootstrap mke2fs qemu-system-x86_64; do
  command -v "$tool" >/dev/null || { echo "qemu-image: $tool is missing" >&2; exit 1; }
done

# Whatever a previous recipe left is of no use any more.
mkdir -p "$cache"
find "$cache" -mindepth 1 -maxdepth 1 ! -name "$hash" -exec rm -rf {} +
rm -rf "$dir"
mkdir -p "$dir"
work=$dir/build
sysroot=$work/root
mkdir -p "$work"
started=$(date +%s)
log=$work/build.log
echo "qemu-image: building the machine in $dir (log: $log)" >&2

unmount_all() {
  local m
  for m in dev/pts dev sys proc; do
    mountpoint -q "$sysroot/$m" 2>/dev/null && umount -l "$sysroot/$m" || true
  done
}
trap unmount_all EXIT

mirror=http://deb.debian.org/debian
debootstrap --variant=minbase --include=linux-image-amd64,systemd-sysv,udev bookworm \
  "$sysroot" "$mirror" >>"$log" 2>&1 || { tail -20 "$log" >&2; exit 1; }

cat >"$sysroot/etc/apt/sources.list" <<EOF
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb http://deb.debian.org/debian-security bookworm-security main
EOF
# No service starts inside the chroot.
printf '#!/bin/sh\nexit 101\n' >"$sysroot/usr/sbin/policy-rc.d"
chmod +x "$sysroot/usr/sbin/policy-rc.d"
mount -t proc proc "$sysroot/proc"
mount -t sysfs sys "$sysroot/sys"
mount --bind /dev "$sysroot/dev"
mount --bind /dev/pts "$sysroot/dev/pts"
chroot "$sysroot" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive \
  bash -euc '
    dpkg --add-architecture i386
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends wine wine32 wine64 xvfb xauth xkb-data \
      x11-xkb-utils cmake python3 locales kmod procps
    apt-get clean
    rm -rf /var/lib/apt/lists/*
  ' >>"$log" 2>&1 || { tail -20 "$log" >&2; exit 1; }
unmount_all
rm -f "$sysroot/usr/sbin/policy-rc.d"
install -m 755 scripts/qemu-guest-init.sh "$sysroot/usr/local/sbin/dbt-init"
echo dbasetool-guest >"$sysroot/etc/hostname"
cp -L "$sysroot/vmlinuz" "$dir/vmlinuz"
cp -L "$sysroot/initrd.img" "$dir/initrd.img"
mke2fs -q -t ext4 -L dbtroot -d "$sysroot" "$dir/disk.img" 6G >>"$log" 2>&1
rm -rf "$sysroot"
echo "qemu-image: system made in $(($(date +%s) - started)) s" >&2

# The first wineboot takes minutes under emulation: the prefix is made once, here, in the
# machine itself (only its kernel runs 32-bit Wine), and kept in the image. Windows 2000 is
# set through the registry: `winecfg -v` sets nothing in such a prefix.
share=$work/share
mkdir -p "$share"
cat >"$share/job.sh" <<'EOF'
set -eu
export WINEPREFIX=/var/lib/dbt-wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine wineboot -i
wineserver -w
wine reg add 'HKCU\Software\Wine' /v Version /d win2k /f
wineserver -w
wine reg query 'HKCU\Software\Wine' /v Version | tr -d '\r'
ls -d "$WINEPREFIX/drive_c/windows/syswow64"
EOF
if ! DBT_QEMU_WRITABLE=1 bash scripts/qemu-run.sh "$dir" "$share" 900 >>"$log" 2>&1 ||
  ! grep -q 'win2k' "$share/job.out"; then
  echo "qemu-image: making the Wine prefix in the machine failed:" >&2
  tail -20 "$share/job.out" "$log" >&2 2>/dev/null || true
  exit 1
fi
rm -rf "$share"
touch "$dir/done"
echo "qemu-image: machine built in $(($(date +%s) - started)) s" >&2
echo "$dir"
