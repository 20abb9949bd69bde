#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quillane::testing {

enum FieldType : std::uint16_t { ascii = 2, shortType = 3, longType = 4, rational = 5 };

// Values the builder fills in once it has laid the file out.
enum class Placeholder { none, stripOffsets, stripByteCounts, scannerRecord };

// One directory entry as a test wants it stored.
struct Field {
    Field() = default;
    Field(std::uint16_t tag_, std::uint16_t type_, std::uint32_t count_, std::vector<std::uint8_t> bytes_ = {},
          Placeholder placeholder_ = Placeholder::none)
        : tag(tag_), type(type_), count(count_), bytes(std::move(bytes_)), placeholder(placeholder_) {}

    std::uint16_t tag = 0;
    std::uint16_t type = longType;
    std::uint32_t count = 1;
    std::vector<std::uint8_t> bytes;         // the values: in the entry when 4 bytes or fewer, else out of line
    std::optional<std::uint32_t> rawField;   // when set, the value field verbatim (bytes are ignored)
    Placeholder placeholder = Placeholder::none;
};

Field shortField(std::uint16_t tag, std::uint16_t value);
Field longField(std::uint16_t tag, std::uint32_t value);
// count = text length + 1, the text and its NUL stored in the entry or out of line.
Field textField(std::uint16_t tag, const std::string& text);
Field rationalField(std::uint16_t tag, std::uint32_t numerator, std::uint32_t denominator);
// A field whose 4-byte value field holds exactly `field`, with no value area behind it.
Field rawField(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t field);

struct Directory {
    std::vector<Field> fields;
    void set(Field field);                    // replaces every field with its tag, or appends
    void remove(std::uint16_t tag);
    Field* find(std::uint16_t tag);
};

// The offsets of a built file, for tests that patch it afterwards.
struct Layout {
    std::vector<std::uint32_t> directoryOffsets;
    std::vector<std::uint32_t> pixelOffsets;  // per directory, where its samples start
    std::uint32_t recordOffset = 0;           // 0 when there is no record
    std::uint32_t fileSize = 0;
    // File offset of the 12-byte entry for `tag` in directory `directory`.
    std::uint32_t entryOffset(const std::vector<std::uint8_t>& file, std::size_t directory, std::uint16_t tag) const;
    // File offset of the next-directory field of directory `directory`.
    std::uint32_t nextOffsetField(const std::vector<std::uint8_t>& file, std::size_t directory) const;
};

// Builds input files in the scanner's layout: a little-endian TIFF with one directory per
// channel, the scanner record behind tag 37701 and each channel's samples stored contiguously.
// Start from `scan(width, height)`, change what a test needs, then `build` or `write`.
class ScanBuilder {
public:
    static ScanBuilder scan(std::uint32_t width, std::uint32_t height, int channelCount = 2);
    // Two channels of zeros left as holes of a sparse file: a full-size scan that takes no disk.
    static ScanBuilder sparse(std::uint32_t width, std::uint32_t height);

    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<Directory> directories;
    std::vector<std::vector<std::uint16_t>> samples;  // per directory, written at its strip offset
    std::vector<std::uint8_t> record;                  // the stored scanner record; empty for none
    bool oddPixelOffsets = false;                      // start each channel's samples at an odd offset
    std::uint32_t trailingBytes = 0;                   // zero bytes after the last channel's samples
    std::int32_t truncateBy = 0;                       // bytes cut from the end of the finished file
    bool holes = false;  // `samples` unused: the channels are zeros, left as holes of a sparse file by write

    // Scanner record fields (little-endian, at their offsets in `record`).
    ScanBuilder& recordKind(std::int32_t kind);
    ScanBuilder& recordChannelCount(std::int32_t count);
    ScanBuilder& colour(int channel, std::int32_t index);
    ScanBuilder& pixelSize(double x, double y);
    ScanBuilder& recordDescription(const std::string& text);  // at record offset 756
    ScanBuilder& text(std::uint16_t tag, const std::string& value);  // in the first directory

    // The sample of channel `channel` at row r, column c of the default pattern.
    static std::uint16_t patternSample(int channel, std::uint32_t r, std::uint32_t c);

    std::vector<std::uint8_t> build(Layout* layout = nullptr) const;
    std::filesystem::path write(const std::filesystem::path& file, Layout* layout = nullptr) const;
};

void put16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value);
void put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value);
std::uint16_t get16(const std::vector<std::uint8_t>& bytes, std::size_t at);
std::uint32_t get32(const std::vector<std::uint8_t>& bytes, std::size_t at);
void writeFile(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> readFile(const std::filesystem::path& file);

// A fresh folder under the system's temporary folder, removed with the object.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

}  // namespace quillane::testing
