#!/usr/bin/python3
"""A folder that shows another one, as a pass-through file system, but takes what is written at a
slow share's pace: each write waits for the time its bytes take at that pace.

    slow-folder.py <backing folder> <mount point> <bytes per second>

It stays in the foreground until the folder is unmounted (fusermount -u <mount point>)."""

import errno
import os
import sys
import time

from fusepy import FUSE, FuseOSError, Operations


class SlowFolder(Operations):
    def __init__(self, backing, pace):
        self.backing = backing
        self.pace = pace

    def _real(self, path):
        return os.path.join(self.backing, path.lstrip("/"))

    def getattr(self, path, fh=None):
        status = os.fstat(fh) if fh is not None else os.lstat(self._real(path))
        return {key: getattr(status, key) for key in (
            "st_mode", "st_nlink", "st_uid", "st_gid", "st_size", "st_atime", "st_mtime", "st_ctime")}

    def readdir(self, path, fh):
        return [".", ".."] + os.listdir(self._real(path))

    def statfs(self, path):
        status = os.statvfs(self._real(path))
        return {key: getattr(status, key) for key in (
            "f_bsize", "f_frsize", "f_blocks", "f_bfree", "f_bavail", "f_files", "f_ffree", "f_favail", "f_namemax")}

    def access(self, path, mode):
        if not os.access(self._real(path), mode):
            raise FuseOSError(errno.EACCES)

    def chmod(self, path, mode):
        os.chmod(self._real(path), mode)

    def chown(self, path, uid, gid):
        os.chown(self._real(path), uid, gid)

    def utimens(self, path, times=None):
        os.utime(self._real(path), times)

    def mkdir(self, path, mode):
        os.mkdir(self._real(path), mode)

    def rmdir(self, path):
        os.rmdir(self._real(path))

    def unlink(self, path):
        os.unlink(self._real(path))

    def rename(self, old, new):
        os.replace(self._real(old), self._real(new))

    def link(self, target, source):
        os.link(self._real(source), self._real(target))

    def open(self, path, flags):
        return os.open(self._real(path), flags)

    def create(self, path, mode, fi=None):
        return os.open(self._real(path), os.O_WRONLY | os.O_CREAT | os.O_TRUNC, mode)

    def read(self, path, size, offset, fh):
        return os.pread(fh, size, offset)

    def write(self, path, data, offset, fh):
        time.sleep(len(data) / self.pace)
        return os.pwrite(fh, data, offset)

    def truncate(self, path, length, fh=None):
        if fh is not None:
            os.ftruncate(fh, length)
        else:
            os.truncate(self._real(path), length)

    def flush(self, path, fh):
        pass

    def fsync(self, path, datasync, fh):
        os.fsync(fh)

    def release(self, path, fh):
        os.close(fh)


def main():
    backing, mount_point, pace = sys.argv[1], sys.argv[2], int(sys.argv[3])
    FUSE(SlowFolder(os.path.realpath(backing), pace), mount_point, foreground=True, big_writes=True)


if __name__ == "__main__":
    main()
