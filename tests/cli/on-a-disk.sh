#!/bin/sh
# on-a-disk.sh exfat|tmpfs FOLDER COMMAND: runs COMMAND on such a disk (FUSE for exFAT,
# kept as an image in FOLDER; a small tmpfs) mounted at FOLDER/disk in a mount namespace of its own,
# so that nothing stays mounted however the command ends. Needs root.
set -eu
kind=$1 folder=$2
mkdir -p "$folder/disk"
if [ "$kind" != tmpfs ] && [ ! -f "$folder/disk.img" ]; then
    truncate -s 32M "$folder/disk.img"
    "mkfs.$kind" "$folder/disk.img" >/dev/null
fi
exec unshare --mount --propagation private sh -euc '
kind=$1 folder=$2 command=$3
case $kind in
exfat)
    loop=$(losetup -f --show "$folder/disk.img")
    mount.exfat-fuse "$loop" "$folder/disk" >/dev/null 2>&1
    losetup -d "$loop"  # let go once the file system lets go of it
    ;;
tmpfs) mount -t tmpfs -o size=768k tmpfs "$folder/disk" ;;
esac
status=0
(cd "$folder/disk" && sh -c "$command") || status=$?
umount "$folder/disk"
exit $status' sh "$@"
