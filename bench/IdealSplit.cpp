// The least a split can do, as the floor for the real one: map the input, then per channel
// create the file and write its header and its samples straight from the mapping. No
// temporary, no rename, no flush unless asked. The other methods are the alternatives measured
// for the unflipped path:
//   quillane_ideal_split [--method M] [--fsync] INPUT OUTPUT_FOLDER
//   M = write (plain mapping, one write; the default), populate (MAP_POPULATE),
//       populate-read (madvise MADV_POPULATE_READ), sequential (madvise SEQUENTIAL + WILLNEED),
//       populate-pieces (MADV_POPULATE_READ, then writes of QUILLANE_PIECE_KIB), copy (copy_file_range
//       from the input at the channel's offset), sendfile (the same through sendfile), read (pread
//       into a reused buffer of QUILLANE_PIECE_KIB, then write)
// Writes OUTPUT_FOLDER/ideal-0.tif and ideal-1.tif.
#include "output/TiffLayout.h"
#include "scan/LittleEndian.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <sys/mman.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#ifndef MADV_POPULATE_READ
#define MADV_POPULATE_READ 22
#endif

namespace {

using namespace quillane;

[[noreturn]] void fail(const std::string& what) { throw std::runtime_error(what + ": " + std::strerror(errno)); }

struct Channel {
    std::uint64_t offset = 0;  // of its first sample in the input
};

struct Input {
    const std::uint8_t* bytes = nullptr;
    std::uint64_t size = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    Channel channels[2];

    std::uint32_t load32(std::uint64_t at) const {
        if (at + 4 > size) throw std::runtime_error("not a scan");
        return le::load32(bytes + at);
    }
    std::uint16_t load16(std::uint64_t at) const {
        if (at + 2 > size) throw std::runtime_error("not a scan");
        return le::load16(bytes + at);
    }
    // The value field of `tag` in the directory at `directory`.
    std::uint32_t field(std::uint32_t directory, std::uint16_t tag) const {
        const std::uint16_t count = load16(directory);
        for (std::uint32_t i = 0; i < count; ++i)
            if (load16(directory + 2 + 12 * i) == tag) return load32(directory + 2 + 12 * i + 8);
        throw std::runtime_error("not a scan");
    }
};

// Width, height and each channel's first strip, from the first two directories.
void readLayout(Input& input) {
    std::uint32_t directory = input.load32(4);
    input.width = input.field(directory, 256);
    input.height = input.field(directory, 257);
    for (auto& channel : input.channels) {
        if (directory == 0) throw std::runtime_error("not a two-channel scan");
        channel.offset = input.load32(input.field(directory, 273));
        if (channel.offset + 2ull * input.width * input.height > input.size) throw std::runtime_error("not a scan");
        directory = input.load32(directory + 2 + 12ull * input.load16(directory));
    }
}

void writeAll(int descriptor, const void* bytes, std::size_t count) {
    const auto* next = static_cast<const std::uint8_t*>(bytes);
    while (count > 0) {
        const ssize_t written = ::write(descriptor, next, count);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) fail("write");
        next += written;
        count -= static_cast<std::size_t>(written);
    }
}

void copyAll(int input, std::uint64_t offset, int output, std::size_t count) {
    auto from = static_cast<off_t>(offset);
    while (count > 0) {
        const ssize_t copied = ::copy_file_range(input, &from, output, nullptr, count, 0);
        if (copied < 0 && errno == EINTR) continue;
        if (copied <= 0) fail("copy_file_range");
        count -= static_cast<std::size_t>(copied);
    }
}

void sendAll(int input, std::uint64_t offset, int output, std::size_t count) {
    auto from = static_cast<off_t>(offset);
    while (count > 0) {
        const ssize_t copied = ::sendfile(output, input, &from, count);
        if (copied < 0 && errno == EINTR) continue;
        if (copied <= 0) fail("sendfile");
        count -= static_cast<std::size_t>(copied);
    }
}

void readAndWrite(int input, std::uint64_t offset, int output, std::size_t count, std::size_t pieceBytes) {
    std::vector<std::uint8_t> buffer(pieceBytes);
    while (count > 0) {
        const std::size_t chunk = std::min(count, buffer.size());
        const ssize_t got = ::pread(input, buffer.data(), chunk, static_cast<off_t>(offset));
        if (got <= 0) fail("pread");
        writeAll(output, buffer.data(), static_cast<std::size_t>(got));
        offset += static_cast<std::uint64_t>(got);
        count -= static_cast<std::size_t>(got);
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::string method = "write";
    std::size_t pieceBytes = std::size_t{1} << 20;
    if (const char* piece = std::getenv("QUILLANE_PIECE_KIB")) pieceBytes = std::strtoul(piece, nullptr, 10) << 10;
    bool flush = false;
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--method" && i + 1 < argc)
            method = argv[++i];
        else if (argument == "--fsync")
            flush = true;
        else
            paths.push_back(argument);
    }
    const std::vector<std::string> methods = {"write", "populate", "populate-read", "populate-pieces", "sequential", "copy", "sendfile", "read"};
    if (paths.size() != 2 || std::find(methods.begin(), methods.end(), method) == methods.end()) {
        std::fprintf(stderr, "usage: %s [--method write|populate|populate-read|populate-pieces|sequential|copy|sendfile|read] [--fsync] INPUT OUTPUT_FOLDER\n",
                     argv[0]);
        return 2;
    }
    try {
        const int input = ::open(paths[0].c_str(), O_RDONLY | O_CLOEXEC);
        if (input < 0) fail(paths[0]);
        struct stat status {};
        if (::fstat(input, &status) != 0) fail("fstat");
        Input scan;
        scan.size = static_cast<std::uint64_t>(status.st_size);
        const int flags = MAP_PRIVATE | (method == "populate" ? MAP_POPULATE : 0);
        void* view = ::mmap(nullptr, scan.size, PROT_READ, flags, input, 0);
        if (view == MAP_FAILED) fail("mmap");
        scan.bytes = static_cast<const std::uint8_t*>(view);
        readLayout(scan);

        const std::size_t channelBytes = 2ull * scan.width * scan.height;
        for (int c = 0; c < 2; ++c) {
            ChannelFileFields fields;
            fields.width = scan.width;
            fields.height = scan.height;
            fields.pageName = c == 0 ? "Red" : "Green";
            fields.pageOfMany = true;
            fields.pixelSizeX = fields.pixelSizeY = 5.0;
            const auto layout = layOutChannelFile(fields);
            if (!layout) throw std::runtime_error("too large");

            const std::string name = paths[1] + "/ideal-" + std::to_string(c) + ".tif";
            const int output = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
            if (output < 0) fail(name);
            writeAll(output, layout->header.data(), layout->header.size());
            writeAll(output, layout->directory.data(), layout->directory.size());
            writeAll(output, layout->valueArea.data(), layout->valueArea.size());

            const std::uint64_t offset = scan.channels[c].offset;
            const std::uint8_t* samples = scan.bytes + offset;
            if (method == "copy") {
                copyAll(input, offset, output, channelBytes);
            } else if (method == "sendfile") {
                sendAll(input, offset, output, channelBytes);
            } else if (method == "read") {
                readAndWrite(input, offset, output, channelBytes, pieceBytes);
            } else {
                // madvise wants a page-aligned start.
                const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
                auto* start = reinterpret_cast<std::uint8_t*>(reinterpret_cast<std::uintptr_t>(samples) & ~(page - 1));
                const std::size_t length = channelBytes + static_cast<std::size_t>(samples - start);
                if ((method == "populate-read" || method == "populate-pieces") && ::madvise(start, length, MADV_POPULATE_READ) != 0)
                    fail("madvise");
                if (method == "sequential" && ::madvise(start, length, MADV_SEQUENTIAL) != 0) fail("madvise");
                if (method == "sequential" && ::madvise(start, length, MADV_WILLNEED) != 0) fail("madvise");
                if (method == "populate-pieces") {
                    for (std::size_t done = 0; done < channelBytes; done += pieceBytes)
                        writeAll(output, samples + done, std::min(pieceBytes, channelBytes - done));
                } else {
                    writeAll(output, samples, channelBytes);
                }
            }
            if (flush && ::fsync(output) != 0) fail("fsync");
            if (::close(output) != 0) fail("close");
        }
        ::munmap(view, scan.size);
        ::close(input);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "%s\n", failure.what());
        return 1;
    }
    return 0;
}
