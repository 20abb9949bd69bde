#include "platform/FileError.h"

#include <cerrno>

namespace quillane {

int FileError::causeFromErrno(int error, bool creating) {
    switch (error) {
    case 0: return none;
    case ENOENT: return creating ? badPath : fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP: return badPath;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return accessDenied;
    case EMFILE:
    case ENFILE: return tooManyOpenFiles;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return diskFull;
    case EIO: return hardIO;
    case EBADF: return invalidFile;
    default: return generic;
    }
}

}  // namespace quillane
