#include "platform/FileLocation.h"

#include <sys/stat.h>

namespace quillane {

std::string locationKey(const std::string& folder, const std::string& name) {
    struct stat status {};
    // Names are compared byte for byte, as the file system does; '/' cannot be part of a name.
    if (::stat(folder.empty() ? "." : folder.c_str(), &status) != 0) return "spelt " + folder + '/' + name;
    return "folder " + std::to_string(status.st_dev) + ':' + std::to_string(status.st_ino) + '/' + name;
}

}  // namespace quillane
