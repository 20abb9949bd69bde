// The read-back for builds without libtiff (Windows, where Debian has no libtiff for MinGW): a
// baseline TIFF reader of its own, written from the TIFF 6.0 rules rather than from the
// writer's layout, strict about what the writer must get right. Whatever it finds wrong lands
// in `messages`, as libtiff's errors and warnings do in the other build.
#include "support/TiffReadBack.h"

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

namespace quillane::testing {

namespace {

class Bytes {
public:
    explicit Bytes(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

    bool holds(std::uint64_t offset, std::uint64_t count) const {
        return offset <= bytes_.size() && count <= bytes_.size() - offset;
    }
    std::uint16_t u16(std::uint64_t at) const {
        return static_cast<std::uint16_t>(bytes_[at] | bytes_[at + 1] << 8);
    }
    std::uint32_t u32(std::uint64_t at) const {
        return static_cast<std::uint32_t>(bytes_[at]) | static_cast<std::uint32_t>(bytes_[at + 1]) << 8 |
               static_cast<std::uint32_t>(bytes_[at + 2]) << 16 | static_cast<std::uint32_t>(bytes_[at + 3]) << 24;
    }
    std::uint64_t size() const { return bytes_.size(); }
    const std::uint8_t* at(std::uint64_t offset) const { return bytes_.data() + offset; }

private:
    std::vector<std::uint8_t> bytes_;
};

struct Entry {
    std::uint16_t tag = 0;
    std::uint16_t type = 0;
    std::uint32_t count = 0;
    std::uint64_t valueAt = 0;  // where the values are: inside the entry or in the value area
};

std::uint32_t typeSize(std::uint16_t type) {
    switch (type) {
    case 1: case 2: case 6: case 7: return 1;  // BYTE, ASCII, SBYTE, UNDEFINED
    case 3: case 8: return 2;                  // SHORT, SSHORT
    case 4: case 9: case 11: return 4;         // LONG, SLONG, FLOAT
    case 5: case 10: case 12: return 8;        // RATIONAL, SRATIONAL, DOUBLE
    default: return 0;
    }
}

class Directory {
public:
    Directory(const Bytes& file, std::vector<std::string>& messages) : file_(file), messages_(messages) {}

    // Reads the directory at `offset`; gives the offset of the next one, 0 at the end of the chain.
    bool read(std::uint64_t offset, std::uint32_t& next) {
        if (!file_.holds(offset, 2)) return error("directory offset " + std::to_string(offset) + " lies outside the file");
        const std::uint16_t count = file_.u16(offset);
        if (!file_.holds(offset + 2, 12ull * count + 4)) return error("directory runs past the end of the file");
        int previousTag = -1;
        for (std::uint16_t i = 0; i < count; ++i) {
            const std::uint64_t at = offset + 2 + 12ull * i;
            Entry entry{file_.u16(at), file_.u16(at + 2), file_.u32(at + 4), at + 8};
            if (entry.tag <= previousTag) warning("tag " + std::to_string(entry.tag) + " out of ascending order");
            previousTag = entry.tag;
            const std::uint32_t size = typeSize(entry.type);
            if (size == 0) {
                warning("tag " + std::to_string(entry.tag) + " has unknown field type " + std::to_string(entry.type));
                continue;
            }
            const std::uint64_t bytes = std::uint64_t{size} * entry.count;
            if (bytes > 4) entry.valueAt = file_.u32(at + 8);
            if (!file_.holds(entry.valueAt, bytes)) {
                error("values of tag " + std::to_string(entry.tag) + " lie outside the file");
                continue;
            }
            entries_.push_back(entry);
        }
        next = file_.u32(offset + 2 + 12ull * count);
        return true;
    }

    const Entry* find(std::uint16_t tag) const {
        const auto found = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.tag == tag; });
        return found == entries_.end() ? nullptr : &*found;
    }

    // Value `index` of a SHORT or LONG entry.
    bool number(std::uint16_t tag, std::uint32_t& value, std::uint32_t index = 0) const {
        const Entry* entry = find(tag);
        if (entry == nullptr || index >= entry->count) return false;
        if (entry->type == 3) value = file_.u16(entry->valueAt + 2ull * index);
        else if (entry->type == 4) value = file_.u32(entry->valueAt + 4ull * index);
        else return false;
        return true;
    }

    bool rational(std::uint16_t tag, float& value) const {
        const Entry* entry = find(tag);
        if (entry == nullptr || entry->type != 5 || entry->count != 1) return false;
        const std::uint32_t numerator = file_.u32(entry->valueAt), denominator = file_.u32(entry->valueAt + 4);
        if (denominator == 0) return false;
        value = static_cast<float>(static_cast<double>(numerator) / denominator);
        return true;
    }

    // An ASCII entry's text, up to its first zero byte.
    bool text(std::uint16_t tag, std::string& value) const {
        const Entry* entry = find(tag);
        if (entry == nullptr || entry->type != 2) return false;
        const auto* first = reinterpret_cast<const char*>(file_.at(entry->valueAt));
        value.assign(first, std::find(first, first + entry->count, '\0'));
        return true;
    }

    std::uint32_t count(std::uint16_t tag) const {
        const Entry* entry = find(tag);
        return entry ? entry->count : 0;
    }

    bool error(const std::string& text) {
        messages_.push_back("error: " + text);
        return false;
    }
    void warning(const std::string& text) { messages_.push_back("warning: " + text); }

private:
    const Bytes& file_;
    std::vector<std::string>& messages_;
    std::vector<Entry> entries_;
};

}  // namespace

TiffReadBack readTiff(const std::filesystem::path& path) {
    TiffReadBack result;
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        result.messages.push_back("error: cannot open " + path.string());
        return result;
    }
    std::vector<std::uint8_t> whole(static_cast<std::size_t>(in.tellg()));
    in.seekg(0).read(reinterpret_cast<char*>(whole.data()), static_cast<std::streamsize>(whole.size()));
    const Bytes file(std::move(whole));
    if (!file.holds(0, 8) || file.u16(0) != 0x4949 || file.u16(2) != 42) {
        result.messages.push_back("error: not a little-endian TIFF file");
        return result;
    }

    Directory first(file, result.messages);
    std::uint32_t next = 0;
    if (!first.read(file.u32(4), next)) return result;
    result.opened = true;
    // The rest of the chain, only counted; a chain that comes back to a directory ends there.
    std::set<std::uint32_t> seen = {file.u32(4)};
    result.directoryCount = 1;
    while (next != 0 && seen.insert(next).second) {
        Directory other(file, result.messages);
        std::uint32_t after = 0;
        if (!other.read(next, after)) break;
        ++result.directoryCount;
        next = after;
    }

    std::uint32_t value = 0;
    if (first.number(256, value)) result.width = value;
    if (first.number(257, value)) result.height = value;
    if (first.number(258, value)) result.bitsPerSample = static_cast<std::uint16_t>(value);
    if (first.number(277, value)) result.samplesPerPixel = static_cast<std::uint16_t>(value);
    if (first.number(296, value)) result.resolutionUnit = static_cast<std::uint16_t>(value);
    first.rational(282, result.xResolution);
    first.rational(283, result.yResolution);
    first.text(285, result.pageName);
    first.text(306, result.dateTime);
    first.text(270, result.description);
    first.text(271, result.make);
    first.text(272, result.model);
    first.text(305, result.software);
    first.text(315, result.artist);
    first.text(316, result.hostComputer);
    if (first.number(254, value)) result.subfileType = value;
    if (first.number(259, value)) result.compression = static_cast<std::uint16_t>(value);
    if (first.number(262, value)) result.photometric = static_cast<std::uint16_t>(value);
    if (first.number(284, value)) result.planarConfiguration = static_cast<std::uint16_t>(value);
    if (first.number(280, value)) result.minSampleValue = static_cast<std::uint16_t>(value);
    if (first.number(281, value)) result.maxSampleValue = static_cast<std::uint16_t>(value);
    if (first.number(278, value)) result.rowsPerStrip = value;
    for (std::uint32_t i = 0; first.number(273, value, i); ++i) result.stripOffsets.push_back(value);
    for (std::uint32_t i = 0; first.number(279, value, i); ++i) result.stripByteCounts.push_back(value);

    std::uint32_t compression = 1;
    first.number(259, compression);
    if (compression != 1) {
        first.error("compression " + std::to_string(compression) + " is not read here");
        return result;
    }
    if (result.bitsPerSample != 16 || result.width == 0) return result;

    // Rows come from the strips: RowsPerStrip rows each (all rows when absent), StripOffsets
    // and StripByteCounts one value per strip, each strip inside the file and large enough.
    std::uint32_t rowsPerStrip = result.height;
    first.number(278, rowsPerStrip);
    if (rowsPerStrip == 0) {
        first.error("RowsPerStrip is 0");
        return result;
    }
    const std::uint32_t strips = (result.height + rowsPerStrip - 1) / rowsPerStrip;
    if (first.count(273) != strips || first.count(279) != strips) {
        first.error("StripOffsets and StripByteCounts must give " + std::to_string(strips) + " strips");
        return result;
    }
    const std::uint64_t rowBytes = 2ull * result.width;
    result.pixels.resize(std::size_t{result.width} * result.height);
    for (std::uint32_t strip = 0; strip < strips; ++strip) {
        std::uint32_t offset = 0, byteCount = 0;
        if (!first.number(273, offset, strip) || !first.number(279, byteCount, strip)) {
            first.error("strip " + std::to_string(strip) + " has no offset or byte count of a number type");
            return result;
        }
        const std::uint32_t rows = std::min(rowsPerStrip, result.height - strip * rowsPerStrip);
        if (byteCount < rows * rowBytes || !file.holds(offset, rows * rowBytes)) {
            first.error("strip " + std::to_string(strip) + " is short or lies outside the file");
            return result;
        }
        const std::uint8_t* bytes = file.at(offset);
        const std::size_t firstSample = std::size_t{strip} * rowsPerStrip * result.width;
        for (std::size_t i = 0; i < std::size_t{rows} * result.width; ++i)
            result.pixels[firstSample + i] = static_cast<std::uint16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    }
    return result;
}

}  // namespace quillane::testing
