#!/usr/bin/python3
"""slow-folder.py <backing folder> <mount point> <bytes per second>: a FUSE pass-through to the
backing folder whose writes each wait for the time their bytes take at that pace, as on a slow
share; reads of a file named "<name>@<offset>.tif" fail with EIO when they take in that byte, as
on a failing disk. It runs until the folder is unmounted."""

import errno
import os
import re
import sys
import time

from fusepy import FUSE, FuseOSError, Operations


class SlowFolder(Operations):
    def __init__(self, backing, pace):
        self.backing, self.pace = backing, pace

    def _real(self, path):
        return os.path.join(self.backing, path.lstrip("/"))

    def getattr(self, path, fh=None):
        status = os.fstat(fh) if fh is not None else os.lstat(self._real(path))
        return {key: getattr(status, key) for key in dir(status) if key.startswith("st_")}

    def readdir(self, path, fh):
        return [".", ".."] + os.listdir(self._real(path))

    def open(self, path, flags):
        return os.open(self._real(path), flags)

    def create(self, path, mode, fi=None):
        return os.open(self._real(path), os.O_RDWR | os.O_CREAT | os.O_TRUNC, mode)

    def read(self, path, size, offset, fh):
        failing = re.search(r"@(\d+)\.tif$", path)
        if failing and offset <= int(failing.group(1)) < offset + size:
            raise FuseOSError(errno.EIO)
        return os.pread(fh, size, offset)

    def write(self, path, data, offset, fh):
        time.sleep(len(data) / self.pace)
        return os.pwrite(fh, data, offset)

    def truncate(self, path, length, fh=None):
        os.truncate(fh if fh is not None else self._real(path), length)

    def release(self, path, fh):
        os.close(fh)

    def unlink(self, path):
        os.unlink(self._real(path))

    def rename(self, old, new):
        os.replace(self._real(old), self._real(new))


if __name__ == "__main__":
    FUSE(SlowFolder(os.path.realpath(sys.argv[1]), int(sys.argv[3])), sys.argv[2], foreground=True, big_writes=True)
