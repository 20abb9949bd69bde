#include "support/ScanBuilder.h"

#include <cstring>
#include <fstream>
#include <random>
#include <stdexcept>

namespace quillane::testing {

namespace {

std::uint32_t valueSize(std::uint16_t type) {
    switch (type) {
    case shortType: return 2;
    case longType: return 4;
    case rational: return 8;
    default: return 1;
    }
}

std::uint32_t storedSize(const Field& field) {
    if (field.placeholder != Placeholder::none) return field.count * valueSize(field.type);
    return static_cast<std::uint32_t>(field.bytes.size());
}

bool outOfLine(const Field& field) { return !field.rawField && storedSize(field) > 4; }

std::uint32_t even(std::uint32_t offset) { return offset + (offset & 1u); }

std::vector<std::uint8_t> placeholderBytes(const Field& field, std::uint32_t pixelOffset, std::uint32_t rowBytes,
                                           std::uint32_t recordOffset) {
    std::vector<std::uint8_t> bytes(storedSize(field));
    const std::uint32_t size = valueSize(field.type);
    for (std::uint32_t i = 0; i < field.count; ++i) {
        std::uint32_t value = 0;
        switch (field.placeholder) {
        case Placeholder::stripOffsets: value = pixelOffset + i * rowBytes; break;
        case Placeholder::stripByteCounts: value = rowBytes; break;
        case Placeholder::scannerRecord: value = recordOffset; break;
        case Placeholder::none: break;
        }
        if (size == 2)
            put16(bytes, i * 2, static_cast<std::uint16_t>(value));
        else
            put32(bytes, i * size, value);
    }
    return bytes;
}

}  // namespace

void put16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value) {
    bytes.at(at) = static_cast<std::uint8_t>(value);
    bytes.at(at + 1) = static_cast<std::uint8_t>(value >> 8);
}

void put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    put16(bytes, at, static_cast<std::uint16_t>(value));
    put16(bytes, at + 2, static_cast<std::uint16_t>(value >> 16));
}

std::uint16_t get16(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes.at(at) | (bytes.at(at + 1) << 8));
}

std::uint32_t get32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return get16(bytes, at) | (static_cast<std::uint32_t>(get16(bytes, at + 2)) << 16);
}

Field shortField(std::uint16_t tag, std::uint16_t value) {
    Field field{tag, shortType, 1, std::vector<std::uint8_t>(2)};
    put16(field.bytes, 0, value);
    return field;
}

Field longField(std::uint16_t tag, std::uint32_t value) {
    Field field{tag, longType, 1, std::vector<std::uint8_t>(4)};
    put32(field.bytes, 0, value);
    return field;
}

Field textField(std::uint16_t tag, const std::string& text) {
    Field field{tag, ascii, static_cast<std::uint32_t>(text.size() + 1), {}};
    field.bytes.assign(text.begin(), text.end());
    field.bytes.push_back(0);
    return field;
}

Field rationalField(std::uint16_t tag, std::uint32_t numerator, std::uint32_t denominator) {
    Field field{tag, rational, 1, std::vector<std::uint8_t>(8)};
    put32(field.bytes, 0, numerator);
    put32(field.bytes, 4, denominator);
    return field;
}

Field rawField(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t value) {
    Field field{tag, type, count, {}};
    field.rawField = value;
    return field;
}

void Directory::set(Field field) {
    for (auto& existing : fields) {
        if (existing.tag == field.tag) {
            existing = field;
            return;
        }
    }
    fields.push_back(std::move(field));
}

void Directory::remove(std::uint16_t tag) {
    std::erase_if(fields, [tag](const Field& field) { return field.tag == tag; });
}

Field* Directory::find(std::uint16_t tag) {
    for (auto& field : fields)
        if (field.tag == tag) return &field;
    return nullptr;
}

std::uint32_t Layout::entryOffset(const std::vector<std::uint8_t>& file, std::size_t directory, std::uint16_t tag) const {
    const std::uint32_t at = directoryOffsets.at(directory);
    const std::uint16_t count = get16(file, at);
    for (std::uint32_t i = 0; i < count; ++i)
        if (get16(file, at + 2 + 12 * i) == tag) return at + 2 + 12 * i;
    throw std::logic_error("no such entry in the built file");
}

std::uint32_t Layout::nextOffsetField(const std::vector<std::uint8_t>& file, std::size_t directory) const {
    const std::uint32_t at = directoryOffsets.at(directory);
    return at + 2 + 12u * get16(file, at);
}

ScanBuilder ScanBuilder::scan(std::uint32_t width, std::uint32_t height, int channelCount) {
    ScanBuilder builder;
    builder.width = width;
    builder.height = height;
    for (int c = 0; c < channelCount; ++c) {
        Directory directory;
        directory.set(longField(254, 0));
        directory.set(longField(256, width));
        directory.set(longField(257, height));
        directory.set(shortField(258, 16));
        directory.set(shortField(259, 1));
        directory.set(shortField(262, 1));
        directory.set(Field{273, longType, height, {}, Placeholder::stripOffsets});
        directory.set(shortField(277, 1));
        directory.set(longField(278, 1));
        directory.set(Field{279, longType, height, {}, Placeholder::stripByteCounts});
        if (c == 0) directory.set(Field{37701, longType, 1, {}, Placeholder::scannerRecord});
        builder.directories.push_back(std::move(directory));

        std::vector<std::uint16_t> channel(static_cast<std::size_t>(width) * height);
        for (std::uint32_t r = 0; r < height; ++r)
            for (std::uint32_t col = 0; col < width; ++col) channel[static_cast<std::size_t>(r) * width + col] = patternSample(c, r, col);
        builder.samples.push_back(std::move(channel));
    }
    builder.record.assign(3176, 0);
    builder.recordKind(3).recordChannelCount(channelCount).pixelSize(5.0, 5.0);
    for (int c = 0; c < 4; ++c) builder.colour(c, c);
    return builder;
}

ScanBuilder ScanBuilder::sparse(std::uint32_t width, std::uint32_t height) {
    ScanBuilder builder = scan(1, 1);
    builder.width = width;
    builder.height = height;
    builder.holes = true;
    for (Directory& directory : builder.directories) {
        directory.set(longField(256, width));
        directory.set(longField(257, height));
        directory.set(Field{273, longType, height, {}, Placeholder::stripOffsets});
        directory.set(Field{279, longType, height, {}, Placeholder::stripByteCounts});
    }
    return builder;
}

ScanBuilder& ScanBuilder::recordKind(std::int32_t kind) {
    put32(record, 0, static_cast<std::uint32_t>(kind));
    return *this;
}

ScanBuilder& ScanBuilder::recordChannelCount(std::int32_t count) {
    put32(record, 4, static_cast<std::uint32_t>(count));
    return *this;
}

ScanBuilder& ScanBuilder::colour(int channel, std::int32_t index) {
    put32(record, 8 + 4 * static_cast<std::size_t>(channel), static_cast<std::uint32_t>(index));
    return *this;
}

ScanBuilder& ScanBuilder::pixelSize(double x, double y) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &x, 8);
    put32(record, 152, static_cast<std::uint32_t>(bits));
    put32(record, 156, static_cast<std::uint32_t>(bits >> 32));
    std::memcpy(&bits, &y, 8);
    put32(record, 160, static_cast<std::uint32_t>(bits));
    put32(record, 164, static_cast<std::uint32_t>(bits >> 32));
    return *this;
}

ScanBuilder& ScanBuilder::recordDescription(const std::string& text) {
    std::fill(record.begin() + 756, record.begin() + 1012, 0);
    std::copy(text.begin(), text.end(), record.begin() + 756);
    return *this;
}

ScanBuilder& ScanBuilder::text(std::uint16_t tag, const std::string& value) {
    directories.at(0).set(textField(tag, value));
    return *this;
}

std::uint16_t ScanBuilder::patternSample(int channel, std::uint32_t r, std::uint32_t c) {
    return static_cast<std::uint16_t>((r * 7919u + c * 104729u + static_cast<std::uint32_t>(channel) * 40503u) ^ (r << 3));
}

std::vector<std::uint8_t> ScanBuilder::build(Layout* layoutOut) const {
    Layout layout;
    const std::uint32_t rowBytes = 2 * width;

    // Pass 1: where everything goes.
    std::uint32_t cursor = 8;
    for (const auto& directory : directories) {
        layout.directoryOffsets.push_back(cursor);
        cursor += 2 + 12 * static_cast<std::uint32_t>(directory.fields.size()) + 4;
    }
    std::vector<std::vector<std::uint32_t>> valueOffsets(directories.size());
    for (std::size_t d = 0; d < directories.size(); ++d) {
        for (const auto& field : directories[d].fields) {
            cursor = even(cursor);
            valueOffsets[d].push_back(outOfLine(field) ? cursor : 0);
            if (outOfLine(field)) cursor += storedSize(field);
        }
    }
    if (!record.empty()) {
        cursor = even(cursor);
        layout.recordOffset = cursor;
        cursor += static_cast<std::uint32_t>(record.size());
    }
    for (std::size_t c = 0; c < (holes ? directories.size() : samples.size()); ++c) {
        cursor = even(cursor) + (oddPixelOffsets ? 1 : 0);
        layout.pixelOffsets.push_back(cursor);
        cursor += holes ? 2 * width * height : static_cast<std::uint32_t>(samples[c].size() * 2);
    }
    cursor += trailingBytes;
    layout.fileSize = cursor;

    // Pass 2: the bytes.
    std::vector<std::uint8_t> file(holes ? layout.pixelOffsets.at(0) : cursor);
    file[0] = 'I';
    file[1] = 'I';
    put16(file, 2, 42);
    put32(file, 4, directories.empty() ? 0 : layout.directoryOffsets[0]);
    for (std::size_t d = 0; d < directories.size(); ++d) {
        const auto& fields = directories[d].fields;
        const std::uint32_t at = layout.directoryOffsets[d];
        put16(file, at, static_cast<std::uint16_t>(fields.size()));
        const std::uint32_t pixelOffset = d < layout.pixelOffsets.size() ? layout.pixelOffsets[d] : 0;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const Field& field = fields[i];
            const std::uint32_t entry = at + 2 + 12 * static_cast<std::uint32_t>(i);
            put16(file, entry, field.tag);
            put16(file, entry + 2, field.type);
            put32(file, entry + 4, field.count);
            if (field.rawField) {
                put32(file, entry + 8, *field.rawField);
                continue;
            }
            const auto bytes = field.placeholder == Placeholder::none
                                   ? field.bytes
                                   : placeholderBytes(field, pixelOffset, rowBytes, layout.recordOffset);
            if (outOfLine(field)) {
                put32(file, entry + 8, valueOffsets[d][i]);
                std::copy(bytes.begin(), bytes.end(), file.begin() + valueOffsets[d][i]);
            } else {
                std::copy(bytes.begin(), bytes.end(), file.begin() + entry + 8);
            }
        }
        const bool last = d + 1 == directories.size();
        put32(file, at + 2 + 12 * static_cast<std::uint32_t>(fields.size()), last ? 0 : layout.directoryOffsets[d + 1]);
    }
    if (!record.empty()) std::copy(record.begin(), record.end(), file.begin() + layout.recordOffset);
    for (std::size_t c = 0; c < samples.size() && !holes; ++c)
        for (std::size_t i = 0; i < samples[c].size(); ++i) put16(file, layout.pixelOffsets[c] + 2 * i, samples[c][i]);

    if (truncateBy > 0) file.resize(file.size() - std::min<std::size_t>(file.size(), static_cast<std::size_t>(truncateBy)));
    if (layoutOut) *layoutOut = layout;
    return file;
}

std::filesystem::path ScanBuilder::write(const std::filesystem::path& file, Layout* layout) const {
    Layout built;
    writeFile(file, build(&built));
    if (holes) std::filesystem::resize_file(file, built.fileSize);
    if (layout) *layout = built;
    return file;
}

void writeFile(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write test file " + file.string());
}

std::vector<std::uint8_t> readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    if (!in) return {};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(in.tellg()));
    in.seekg(0).read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

TemporaryFolder::TemporaryFolder() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() / ("quillane-test-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(path_);
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace quillane::testing
