#!/usr/bin/env bash
# slow-folder.sh <bytes per second> <command> [arguments]: runs the command with a FUSE folder
# mounted whose writes go at that pace (slow-folder.py), its Windows path (Wine's drive Z:) in
# QUILLANE_SLOW_FOLDER; where FUSE cannot mount, without one, and the reason in
# QUILLANE_SLOW_FOLDER_MISSING, for the test to be skipped with it.
set -uo pipefail
pace=$1
shift
work=$(mktemp -d /tmp/quillane-slow.XXXXXX)
mkdir -p "$work/backing" "$work/mount"
if [ ! -e /dev/fuse ]; then
    export QUILLANE_SLOW_FOLDER_MISSING="FUSE is not available here (no /dev/fuse)"
else
    /usr/bin/python3 "$(dirname "$0")/slow-folder.py" "$work/backing" "$work/mount" "$pace" 2>"$work/log" &
    for _ in $(seq 100); do
        mountpoint -q "$work/mount" || { kill -0 $! 2>/dev/null && sleep 0.1 && continue; }
        break
    done
    if mountpoint -q "$work/mount"; then
        export QUILLANE_SLOW_FOLDER="Z:${work//\//\\}\\mount"
    else
        export QUILLANE_SLOW_FOLDER_MISSING="FUSE could not mount a folder here: $(tail -n 1 "$work/log")"
    fi
fi
"$@"
status=$?
mountpoint -q "$work/mount" && { fusermount3 -u "$work/mount" 2>/dev/null || umount "$work/mount"; }
wait
rm -rf "$work"
exit $status
