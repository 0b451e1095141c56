#!/usr/bin/env bash
# Starts the emulated machine of scripts/qemu-image.sh on one job and waits until it is off:
#   bash scripts/qemu-run.sh MACHINE-FOLDER SHARE-FOLDER TIMEOUT-SECONDS
# SHARE-FOLDER/job.sh runs in the machine as root with the folder at /share; its output comes
# back in job.out, its exit code in job.rc (this script's exit code too), the console in
# console.log. The disk is used copy-on-write and left as it was, unless DBT_QEMU_WRITABLE=1.
# Emulated (TCG): the KVM a host may offer to a nested machine hangs it after the kernel is
# unpacked, and `-cpu max` breaks 32-bit code under TCG (protection keys).
set -euo pipefail
machine=$1
share=$(cd "$2" && pwd)
limit=$3
rm -f "$share/job.rc" "$share/job.out" "$share/console.log"
snapshot=on
[ "${DBT_QEMU_WRITABLE:-}" = 1 ] && snapshot=off
set +e
timeout "$limit" qemu-system-x86_64 -accel tcg,thread=multi -smp 2 -m 4096 \
  -cpu qemu64,+ssse3,+sse4.1,+sse4.2,+popcnt \
  -kernel "$machine/vmlinuz" -initrd "$machine/initrd.img" \
  -append "root=/dev/vda rw console=ttyS0 init=/usr/local/sbin/dbt-init panic=1 quiet" \
  -drive "file=$machine/disk.img,format=raw,if=virtio,snapshot=$snapshot" \
  -virtfs "local,path=$share,mount_tag=dbt,security_model=none,id=dbt" \
  -nic none -display none -serial "file:$share/console.log" -no-reboot
qemu_rc=$?
set -e
if [ ! -f "$share/job.rc" ]; then
  echo "qemu-run: the job did not end (qemu exit $qemu_rc); the console's last lines:" >&2
  tail -15 "$share/console.log" >&2 2>/dev/null || true
  exit 125
fi
exit "$(cat "$share/job.rc")"
