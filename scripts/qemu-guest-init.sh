#!/bin/bash
# The first and only process of the emulated machine (the kernel's init=): mounts what a job
# needs and the host's share (9p, tag "dbt"), starts a virtual display, runs the share's job.sh
# with its output in the share's job.out and its exit code in job.rc, and switches the machine off.
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
export HOME=/root USER=root LANG=C.UTF-8
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev 2>/dev/null
mkdir -p /dev/pts /dev/shm
mount -t devpts devpts /dev/pts
mount -t tmpfs tmpfs /dev/shm
mount -t tmpfs tmpfs /run
mount -t tmpfs tmpfs /tmp
mount -o remount,rw /
hostname dbasetool-guest
modprobe 9pnet_virtio
modprobe 9p
mkdir -p /share
if mount -t 9p -o trans=virtio,version=9p2000.L,msize=524288 dbt /share; then
  Xvfb :1 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  export DISPLAY=:1
  sleep 1
  echo "guest: job starts $(date -u +%T)"
  bash /share/job.sh >/share/job.out 2>&1
  echo $? >/share/job.rc
  echo "guest: job ended $(date -u +%T) with $(cat /share/job.rc)"
  sync
  umount /share
else
  echo "guest: the share could not be mounted"
fi
kill %1 2>/dev/null
sync
mount -o remount,ro / 2>/dev/null
echo o >/proc/sysrq-trigger
sleep 30
