#include "ScanFile.h"

#include "scan/LittleEndian.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

namespace quillane::bench {

namespace {

constexpr int channelCount = 2;
constexpr std::uint32_t recordSize = 3176;

struct Entry {
    std::uint16_t tag;
    std::uint16_t type;  // 3 SHORT, 4 LONG
    std::uint32_t count;
    std::uint32_t value;
};

void put(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value) { le::store16(bytes.data() + at, value); }
void put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) { le::store32(bytes.data() + at, value); }

// A well-mixed 32-bit hash, for noise and for each spot's own brightness.
std::uint32_t mixed(std::uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352du;
    x ^= x >> 15;
    x *= 0x846ca68bu;
    x ^= x >> 16;
    return x;
}

}  // namespace

std::uint16_t spotSample(int channel, std::uint32_t r, std::uint32_t c) {
    constexpr std::uint32_t pitch = 24;        // pixels from spot to spot
    constexpr std::uint32_t blockPitches = 18; // 16 spots, then a gap of two
    constexpr double radius = 8.5;
    const std::uint32_t noise = mixed(r * 0x9E3779B1u ^ c ^ (static_cast<std::uint32_t>(channel) << 30)) & 127u;
    double value = 120.0 + 90.0 * channel + noise;
    const std::uint32_t spotRow = r / pitch;
    const std::uint32_t spotColumn = c / pitch;
    if (spotRow % blockPitches < 16 && spotColumn % blockPitches < 16) {
        const double dr = static_cast<double>(r % pitch) - (pitch - 1) / 2.0;
        const double dc = static_cast<double>(c % pitch) - (pitch - 1) / 2.0;
        const double reach = (dr * dr + dc * dc) / (radius * radius);
        if (reach < 1.0) {
            const std::uint32_t spot = mixed(spotRow * 7919u + spotColumn * 104729u + 1u);
            const double brightness = 100.0 * std::exp2(9.5 * (spot & 0xFFFFu) / 65536.0);
            const double ratio = std::exp2(2.0 * ((spot >> 16) & 0xFFu) / 255.0 - 1.0);
            value += (channel == 0 ? brightness : brightness * ratio) * (1.0 - reach * reach);
        }
    }
    return static_cast<std::uint16_t>(std::min(value, 65535.0));
}

void writeScanFile(const std::string& path, const ScanFileShape& shape) {
    const std::uint32_t width = shape.width;
    const std::uint32_t height = shape.height;
    const std::uint64_t channelBytes = 2ull * width * height;
    if (width == 0 || height == 0 || 2 * width > 65535u) throw std::runtime_error("unsupported scan shape");

    // Where everything goes: the directories, then per directory its strip offsets and byte
    // counts, then the record, then the channels' samples.
    constexpr std::uint32_t entriesPerDirectory = 11;  // the first one also names the record
    const std::uint32_t directorySize = 2 + 12 * entriesPerDirectory + 4;
    std::uint32_t cursor = 8 + channelCount * directorySize;
    std::uint32_t stripOffsetsAt[channelCount];
    std::uint32_t byteCountsAt[channelCount];
    for (int c = 0; c < channelCount; ++c) {
        stripOffsetsAt[c] = cursor;
        cursor += 4 * height;
        byteCountsAt[c] = cursor;
        cursor += 4 * height;
    }
    const std::uint32_t recordAt = cursor;
    cursor += recordSize;
    std::uint64_t pixelsAt[channelCount];
    std::uint64_t end = cursor;
    for (int c = 0; c < channelCount; ++c) {
        end += (end & 1) ^ (shape.oddPixelOffsets ? 1 : 0);  // even, or odd on request
        pixelsAt[c] = end;
        end += channelBytes;
    }
    if (end > UINT32_MAX) throw std::runtime_error("a scan of this shape passes 4 GiB");

    std::vector<std::uint8_t> head(static_cast<std::size_t>(pixelsAt[0]), 0);
    head[0] = 'I';
    head[1] = 'I';
    put(head, 2, 42);
    put32(head, 4, 8);
    for (int c = 0; c < channelCount; ++c) {
        const std::uint32_t at = 8 + static_cast<std::uint32_t>(c) * directorySize;
        std::vector<Entry> entries = {
            {254, 4, 1, 0},           {256, 4, 1, width},          {257, 4, 1, height},
            {258, 3, 1, 16},          {259, 3, 1, 1},              {262, 3, 1, 1},
            {273, 4, height, stripOffsetsAt[c]}, {277, 3, 1, 1},   {278, 4, 1, 1},
            {279, 4, height, byteCountsAt[c]},   {37701, 4, 1, recordAt},
        };
        // Only the first directory names the record; the second leaves its last 12 bytes unused.
        if (c != 0) entries.pop_back();
        put(head, at, static_cast<std::uint16_t>(entries.size()));
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const std::size_t e = at + 2 + 12 * i;
            put(head, e, entries[i].tag);
            put(head, e + 2, entries[i].type);
            put32(head, e + 4, entries[i].count);
            put32(head, e + 8, entries[i].value);
        }
        const std::size_t next = at + 2 + 12 * entries.size();
        put32(head, next, c + 1 < channelCount ? at + directorySize : 0);
        for (std::uint32_t r = 0; r < height; ++r) {
            put32(head, stripOffsetsAt[c] + 4 * std::size_t{r}, static_cast<std::uint32_t>(pixelsAt[c] + 2ull * width * r));
            put32(head, byteCountsAt[c] + 4 * std::size_t{r}, 2 * width);
        }
    }
    // Scanner record: kind 3, two channels coloured red and green, 5 µm pixels.
    put32(head, recordAt, 3);
    put32(head, recordAt + 4, channelCount);
    put32(head, recordAt + 8, 0);
    put32(head, recordAt + 12, 1);
    const double pixelSize = 5.0;
    std::uint64_t bits = 0;
    std::memcpy(&bits, &pixelSize, 8);
    for (std::uint32_t field : {152u, 160u}) {
        put32(head, recordAt + field, static_cast<std::uint32_t>(bits));
        put32(head, recordAt + field + 4, static_cast<std::uint32_t>(bits >> 32));
    }

    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!file) throw std::runtime_error("cannot create " + path);
    const auto put = [&](const void* bytes, std::size_t count) {
        if (std::fwrite(bytes, 1, count, file.get()) != count) throw std::runtime_error("cannot write " + path);
    };
    put(head.data(), head.size());

    // Rows in batches of about 4 MiB.
    const std::uint32_t batchRows = std::max<std::uint32_t>(1, (4u << 20) / (2 * width));
    std::vector<std::uint8_t> rows(std::size_t{batchRows} * 2 * width);
    std::uint64_t written = head.size();
    for (int c = 0; c < channelCount; ++c) {
        const std::uint8_t zero = 0;
        while (written < pixelsAt[c]) {
            put(&zero, 1);
            ++written;
        }
        for (std::uint32_t top = 0; top < height; top += batchRows) {
            const std::uint32_t count = std::min(batchRows, height - top);
            std::uint8_t* out = rows.data();
            for (std::uint32_t r = top; r < top + count; ++r)
                for (std::uint32_t col = 0; col < width; ++col, out += 2) le::store16(out, shape.spots ? spotSample(c, r, col) : scanSample(c, r, col));
            put(rows.data(), static_cast<std::size_t>(out - rows.data()));
            written += static_cast<std::uint64_t>(out - rows.data());
        }
    }
    if (std::fflush(file.get()) != 0) throw std::runtime_error("cannot write " + path);
}

}  // namespace quillane::bench
