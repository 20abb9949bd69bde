#include "platform/FileLocation.h"

#include "platform/FolderListing.h"
#include "platform/OutputFileSystem.h"
#include "platform/OutputSignals.h"

#include <atomic>
#include <cerrno>
#include <cctype>
#include <cwctype>
#include <fcntl.h>
#include <locale.h>
#include <map>
#include <mutex>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace quillane {
namespace {

// A name of mixed case that nothing else in a folder has, in the temporaries' form, so that a
// probe a kill leaves behind is swept as they are.
std::string probeName() {
    static std::mt19937_64 generator{std::random_device{}()};
    std::uint64_t bits = generator();
    std::string name = ".quillane-";
    for (int i = 0; i < 16; ++i, bits >>= 4) name += static_cast<char>((i % 2 == 0 ? 'A' : 'a') + (bits & 15));
    return name + ".tmp";
}

std::string inOtherCase(std::string name) {
    for (char& c : name) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return name;
}

// Whether the folder's file system takes one name in another case for the same file, as FAT,
// exFAT, a share served by Windows and a case-folding ext4 folder do: a probe file is made,
// looked for under its name in the other case, and removed. A FUSE mount reports neither its
// real type nor file numbers that would show it. Asked once per folder.
std::atomic<bool> withoutWriting{false};

// The same answer from the folder's own names: one with a letter found under its other case as
// the same file. A folder without such a name tells nothing and is taken to ignore case, the
// answer that refuses more.
bool namesIgnoreCase(const std::string& folder) {
    const std::string prefix = folder.empty() ? std::string() : folder + '/';
    for (const std::string& path : filesInFolder(folder.empty() ? std::string(".") : folder)) {
        const std::string name = path.substr(path.find_last_of('/') + 1);
        if (inOtherCase(name) == name) continue;
        struct stat asNamed {};
        struct stat inOther {};
        if (::lstat((prefix + name).c_str(), &asNamed) != 0) continue;
        return ::lstat((prefix + inOtherCase(name)).c_str(), &inOther) == 0 && inOther.st_dev == asNamed.st_dev &&
               inOther.st_ino == asNamed.st_ino;
    }
    return true;
}

bool folderIgnoresCase(const std::string& folder, const struct stat& folderStatus) {
    static std::mutex guard;
    static std::map<std::pair<dev_t, ino_t>, bool> known;
    const std::lock_guard<std::mutex> lock(guard);
    const auto key = std::make_pair(folderStatus.st_dev, folderStatus.st_ino);
    if (const auto found = known.find(key); found != known.end()) return found->second;
    if (withoutWriting) {
        const bool ignores = namesIgnoreCase(folder);
        known.emplace(key, ignores);
        return ignores;
    }
    const std::string prefix = folder.empty() ? std::string() : folder + '/';
    bool ignores = false;
    for (int attempt = 0; attempt < 3; ++attempt) {
        const std::string name = probeName();
        const std::string probe = prefix + name;
        // Watched as the output files' temporaries are, so that a signal ending the program
        // meanwhile removes it.
        const int slot = outputsystem::removeOnSignal(folder, name);
        const int descriptor = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        const int error = descriptor < 0 ? errno : 0;
        if (descriptor >= 0) {
            ::close(descriptor);
            struct stat status {};
            ignores = ::lstat((prefix + inOtherCase(name)).c_str(), &status) == 0;
            ::unlink(probe.c_str());
        }
        outputsystem::forgetOnSignal(slot);
        // Otherwise a folder that cannot be written to: judged by the files' identities alone.
        if (error != EEXIST) break;
    }
    known.emplace(key, ignores);
    return ignores;
}

// The name in one case, as a file system that ignores case compares it: each character of
// valid UTF-8 by its upper case, any other byte as it is.
std::string caseFolded(const std::string& name) {
    static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    std::string folded;
    std::size_t i = 0;
    while (i < name.size()) {
        const auto lead = static_cast<unsigned char>(name[i]);
        const std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
        bool valid = length > 0 && i + length <= name.size();
        char32_t code = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(name[i + k]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        if (!valid) {
            folded += name[i++];
            continue;
        }
        if (unicode != static_cast<locale_t>(nullptr)) code = static_cast<char32_t>(towupper_l(static_cast<wint_t>(code), unicode));
        else if (code < 0x80) code = static_cast<char32_t>(std::toupper(static_cast<int>(code)));
        if (code < 0x80) {
            folded += static_cast<char>(code);
        } else if (code < 0x800) {
            folded += static_cast<char>(0xC0 | (code >> 6));
            folded += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            folded += static_cast<char>(0xE0 | (code >> 12));
            folded += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            folded += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            folded += static_cast<char>(0xF0 | (code >> 18));
            folded += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            folded += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            folded += static_cast<char>(0x80 | (code & 0x3F));
        }
        i += length;
    }
    return folded;
}

}  // namespace

void learnCaseWithoutWriting() { withoutWriting = true; }

std::string locationKey(const std::string& folder, const std::string& name) {
    struct stat status {};
    // '/' cannot be part of a name.
    if (::stat(folder.empty() ? "." : folder.c_str(), &status) != 0) return "spelt " + folder + '/' + name;
    const std::string compared = folderIgnoresCase(folder, status) ? caseFolded(name) : name;
    return "folder " + std::to_string(status.st_dev) + ':' + std::to_string(status.st_ino) + '/' + compared;
}

std::optional<FileIdentity> fileIdentity(const std::string& path) {
    struct stat status {};
    if (path.empty() || ::stat(path.c_str(), &status) != 0) return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(status.st_dev), 0, static_cast<std::uint64_t>(status.st_ino)};
}

}  // namespace quillane
