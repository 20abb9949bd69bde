#!/usr/bin/env bash
# Runs a command with a slow folder in place: a FUSE pass-through (slow-folder.py) that takes
# writes at a slow share's pace, mounted for as long as the command runs. The command finds the
# folder's Windows path (Wine's Z: drive) in QUILLANE_SLOW_FOLDER; where FUSE cannot mount here
# (no /dev/fuse, no right to mount, no fusepy), it runs without one and finds why in
# QUILLANE_SLOW_FOLDER_MISSING, so that its test is skipped with that reason.
#   slow-folder.sh <bytes per second> <command> [arguments]
set -uo pipefail
pace=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/quillane-slow.XXXXXX)
mkdir -p "$work/backing" "$work/mount"
server=
why=
if [ ! -e /dev/fuse ]; then
    why="FUSE is not available here (no /dev/fuse)"
elif ! /usr/bin/python3 -c 'import fusepy' 2>/dev/null; then
    why="python3-fusepy is not installed"
else
    /usr/bin/python3 "$here/slow-folder.py" "$work/backing" "$work/mount" "$pace" 2>"$work/log" &
    server=$!
    for _ in $(seq 100); do
        mountpoint -q "$work/mount" && break
        kill -0 "$server" 2>/dev/null || break
        sleep 0.1
    done
    mountpoint -q "$work/mount" || why="FUSE could not mount a folder here: $(tail -n 1 "$work/log")"
fi
if [ -z "$why" ]; then
    windows_path="Z:${work//\//\\}\\mount"
    export QUILLANE_SLOW_FOLDER="$windows_path"
else
    export QUILLANE_SLOW_FOLDER_MISSING="$why"
fi

"$@"
status=$?

if mountpoint -q "$work/mount"; then
    fusermount3 -u "$work/mount" 2>/dev/null || fusermount -u "$work/mount" 2>/dev/null || umount "$work/mount"
fi
if [ -n "$server" ]; then
    kill "$server" 2>/dev/null
    wait "$server" 2>/dev/null
fi
rm -rf "$work"
exit $status
