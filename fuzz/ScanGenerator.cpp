#include "ScanGenerator.h"

#include "scan/LittleEndian.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

namespace quillane::fuzz {

namespace {

enum FieldType : std::uint16_t { asciiType = 2, shortType = 3, longType = 4, rationalType = 5 };

// One entry: its value field is either `field` or, when `values` is not empty and longer than
// 4 bytes, the offset where the values are placed behind the directory.
struct Entry {
    std::uint16_t tag = 0;
    std::uint16_t type = longType;
    std::uint32_t count = 1;
    std::uint32_t field = 0;
    std::vector<std::uint8_t> values;
    bool stripOffsets = false;  // values filled in once the pixels are placed
};

class FileBytes {
public:
    std::vector<std::uint8_t> bytes;

    std::size_t append(std::size_t count) {
        const std::size_t at = bytes.size();
        bytes.resize(at + count, 0);
        return at;
    }
    std::size_t append(const std::vector<std::uint8_t>& values) {
        const std::size_t at = append(values.size());
        std::copy(values.begin(), values.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
        return at;
    }
    void put16(std::size_t at, std::uint16_t value) { le::store16(bytes.data() + at, value); }
    void put32(std::size_t at, std::uint32_t value) { le::store32(bytes.data() + at, value); }
    void evenUp() {
        if (bytes.size() % 2 != 0) append(1);
    }
};

Entry value(std::uint16_t tag, std::uint16_t type, std::uint32_t field) { return {tag, type, 1, field, {}, false}; }

// A text as the scanner stores it, or one of the ways it can be stored wrong: no zero byte, or
// a count that disagrees with the bytes.
Entry text(FuzzedDataProvider& data, std::uint16_t tag) {
    std::size_t length = 0;
    switch (data.ConsumeIntegralInRange(0, 3)) {
    case 0: length = data.ConsumeIntegralInRange<std::size_t>(0, 8); break;
    case 1: length = data.ConsumeIntegralInRange<std::size_t>(0, 300); break;
    case 2: length = data.ConsumeIntegralInRange<std::size_t>(250, 1100); break;
    default: length = data.ConsumeIntegralInRange<std::size_t>(0, 4096); break;
    }
    const char first = static_cast<char>(data.ConsumeIntegralInRange(' ', '~'));
    std::vector<std::uint8_t> bytes(length);
    for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>(' ' + (first - ' ' + i) % 95);
    const bool terminated = !data.ConsumeBool();
    if (terminated) bytes.push_back(0);
    auto count = static_cast<std::uint32_t>(bytes.size());
    if (data.ConsumeBool()) count = data.ConsumeIntegral<std::uint32_t>();  // disagrees with the bytes
    Entry entry{tag, asciiType, count, 0, std::move(bytes), false};
    return entry;
}

double pixelSize(FuzzedDataProvider& data) {
    constexpr double sizes[] = {5.0, 2.5, 10.0, 0.0, 0.5, 3.75, 1.0, 0.0004, -2.0, 4294967295.9, 1e300};
    const std::size_t pick = data.ConsumeIntegralInRange<std::size_t>(0, std::size(sizes));
    if (pick < std::size(sizes)) return sizes[pick];
    const std::uint64_t bits = data.ConsumeIntegral<std::uint64_t>();
    double any = 0;
    std::memcpy(&any, &bits, sizeof any);
    return any;
}

std::vector<std::uint8_t> scannerRecord(FuzzedDataProvider& data, std::int32_t channelCount) {
    constexpr std::int32_t kinds[] = {1, 4, 5, 2, 3, 7};
    const std::size_t pick = data.ConsumeIntegralInRange<std::size_t>(0, std::size(kinds));
    const std::int32_t kind = pick < std::size(kinds) ? kinds[pick] : data.ConsumeIntegral<std::int32_t>();
    const std::size_t length = kind == 1 ? 208 : kind == 2 ? 620 : kind == 4 || kind == 5 ? 1012 : 3176;
    std::vector<std::uint8_t> record(length, 0);
    le::store32(record.data(), static_cast<std::uint32_t>(kind));
    le::store32(record.data() + 4, static_cast<std::uint32_t>(channelCount));
    for (std::size_t c = 0; c < 4; ++c) {
        const auto colour = data.ConsumeBool() ? data.ConsumeIntegral<std::int32_t>() : static_cast<std::int32_t>(c);
        le::store32(record.data() + 8 + 4 * c, static_cast<std::uint32_t>(colour));
    }
    for (const std::size_t at : {std::size_t{152}, std::size_t{160}}) {
        const double size = pixelSize(data);
        std::uint64_t bits = 0;
        std::memcpy(&bits, &size, sizeof bits);
        le::store32(record.data() + at, static_cast<std::uint32_t>(bits));
        le::store32(record.data() + at + 4, static_cast<std::uint32_t>(bits >> 32));
    }
    if (length >= 1012) {
        const std::size_t textLength = data.ConsumeIntegralInRange<std::size_t>(0, 300);
        for (std::size_t i = 0; i < textLength && 756 + i < length; ++i) record[756 + i] = static_cast<std::uint8_t>('a' + i % 26);
    }
    return record;
}

// Rows of samples from a small generator seeded by the fuzz bytes: cheap, and never the same
// in two channels, so that a channel written in place of another shows.
std::vector<std::uint8_t> samples(std::uint32_t seed, std::size_t count) {
    std::vector<std::uint8_t> bytes(2 * count);
    std::uint32_t state = seed | 1u;
    for (std::size_t i = 0; i < count; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        le::store16(bytes.data() + 2 * i, static_cast<std::uint16_t>(state));
    }
    return bytes;
}

}  // namespace

GeneratedScan generateScan(FuzzedDataProvider& data) {
    GeneratedScan scan;

    // The shape: mostly small, now and then one side long (past the 16-bit byte counts) while
    // the other stays short enough to keep the samples few: up to 4 rows or columns of 40000.
    constexpr std::uint32_t mostSamples = 160000;
    const std::uint32_t largest = data.ConsumeBool() ? 300 : 40;
    std::uint32_t width = 1 + data.ConsumeIntegralInRange<std::uint32_t>(0, largest - 1);
    std::uint32_t height = 1 + data.ConsumeIntegralInRange<std::uint32_t>(0, largest - 1);
    if (data.ConsumeIntegralInRange(0, 7) == 7) {
        constexpr std::uint32_t longSides[] = {32767, 32768, 40000, 65535};
        const std::size_t pick = data.ConsumeIntegralInRange<std::size_t>(0, std::size(longSides));
        const std::uint32_t longSide = pick < std::size(longSides) ? longSides[pick] : data.ConsumeIntegralInRange<std::uint32_t>(1, 40000);
        const std::uint32_t shortSide = std::max<std::uint32_t>(1, std::min<std::uint32_t>(height, mostSamples / longSide));
        if (data.ConsumeBool()) {
            width = longSide;
            height = shortSide;
        } else {
            width = shortSide;
            height = longSide;
        }
    }
    std::size_t directoryCount = 2 + data.ConsumeIntegralInRange<std::size_t>(0, 4);
    if (data.ConsumeIntegralInRange(0, 7) == 7) directoryCount = 1;
    std::int32_t channelCount = static_cast<std::int32_t>(directoryCount);
    if (data.ConsumeBool()) channelCount = data.ConsumeIntegralInRange<std::int32_t>(-1, 7);
    scan.flip = static_cast<Flip>(data.ConsumeIntegralInRange(0, 2));

    std::vector<std::vector<Entry>> entries(directoryCount);
    std::vector<Entry>& first = entries[0];
    first.push_back(value(256, data.ConsumeBool() ? shortType : longType, width));
    first.push_back(value(257, longType, height));
    first.push_back(value(258, shortType, data.ConsumeBool() ? data.ConsumeIntegralInRange<std::uint32_t>(0, 32) : 16));
    for (const std::uint16_t tag : {270, 271, 272, 305, 306, 315, 316, 37702})
        if (!data.ConsumeBool()) first.push_back(text(data, tag));
    switch (data.ConsumeIntegralInRange(0, 3)) {
    case 1: first.push_back(value(33445, longType, 128)); break;
    case 2: first.push_back(value(33445, longType, data.ConsumeIntegral<std::uint32_t>())); break;
    default: break;
    }
    if (data.ConsumeBool()) {
        std::vector<std::uint8_t> rational(8);
        le::store32(rational.data(), data.ConsumeIntegralInRange<std::uint32_t>(0, 4));
        le::store32(rational.data() + 4, data.ConsumeIntegralInRange<std::uint32_t>(0, 4));
        first.push_back({33446, rationalType, 1, 0, rational, false});
    }
    for (std::size_t d = 0; d < directoryCount; ++d) {
        // Strip offsets: one per row (LONG, or SHORT while they fit) or a single one in the entry.
        const bool shortOffsets = data.ConsumeIntegralInRange(0, 3) == 3;
        const bool onePerRow = !data.ConsumeBool();
        const std::uint32_t count = onePerRow ? height : 1;
        Entry offsets{273, shortOffsets ? shortType : longType, count, 0, {}, true};
        offsets.values.resize(std::size_t{count} * (shortOffsets ? 2 : 4));
        if (!(d == 0 && data.ConsumeIntegralInRange(0, 15) == 15)) entries[d].push_back(std::move(offsets));
        if (!data.ConsumeBool() || d == 0) {
            Entry counts{279, longType, height, 0, std::vector<std::uint8_t>(4 * std::size_t{height}), false};
            for (std::uint32_t r = 0; r < height; ++r) le::store32(counts.values.data() + 4 * std::size_t{r}, 2 * width);
            entries[d].push_back(std::move(counts));
        }
    }
    const bool withRecord = data.ConsumeIntegralInRange(0, 15) != 15;
    if (withRecord) first.push_back(value(37701, longType, 0));
    // Now and then an entry twice, or one the program does not know.
    if (data.ConsumeBool()) entries[0].push_back(entries[0][data.ConsumeIntegralInRange<std::size_t>(0, entries[0].size() - 1)]);
    if (data.ConsumeBool()) entries[0].push_back(value(data.ConsumeIntegral<std::uint16_t>(), longType, data.ConsumeIntegral<std::uint32_t>()));

    FileBytes file;
    file.append(8);
    file.bytes[0] = 'I';
    file.bytes[1] = 'I';
    file.put16(2, 42);
    file.put32(4, 8);

    // Each directory, then the values of its entries that do not fit them.
    struct Placed {
        std::size_t valuesAt;  // where the values stand: in the field or behind the directory
        std::uint16_t type;
        std::uint32_t count;
    };
    std::vector<Placed> stripOffsetFields;
    std::size_t recordField = 0;
    std::vector<std::size_t> nextFields;
    for (std::size_t d = 0; d < directoryCount; ++d) {
        file.evenUp();
        const std::size_t directory = file.append(2 + 12 * entries[d].size() + 4);
        if (d == 0) file.put32(4, static_cast<std::uint32_t>(directory));
        else file.put32(nextFields.back(), static_cast<std::uint32_t>(directory));
        file.put16(directory, static_cast<std::uint16_t>(entries[d].size()));
        nextFields.push_back(directory + 2 + 12 * entries[d].size());
        for (std::size_t i = 0; i < entries[d].size(); ++i) {
            const Entry& entry = entries[d][i];
            const std::size_t at = directory + 2 + 12 * i;
            file.put16(at, entry.tag);
            file.put16(at + 2, entry.type);
            file.put32(at + 4, entry.count);
            std::size_t valuesAt = at + 8;
            if (entry.values.empty()) {
                file.put32(at + 8, entry.field);
            } else if (entry.values.size() <= 4) {
                std::copy(entry.values.begin(), entry.values.end(), file.bytes.begin() + static_cast<std::ptrdiff_t>(at + 8));
            } else {
                file.evenUp();
                valuesAt = file.append(entry.values);
                file.put32(at + 8, static_cast<std::uint32_t>(valuesAt));
            }
            if (entry.stripOffsets) stripOffsetFields.push_back({valuesAt, entry.type, static_cast<std::uint32_t>(entry.values.size() / (entry.type == shortType ? 2 : 4))});
            if (entry.tag == 37701 && d == 0 && recordField == 0) recordField = at + 8;
        }
    }
    if (withRecord) {
        file.evenUp();
        file.put32(recordField, static_cast<std::uint32_t>(file.append(scannerRecord(data, channelCount))));
    }

    // Each directory's samples, at an even or an odd offset, and its strip offsets pointing there.
    const bool oddOffsets = data.ConsumeBool();
    const std::uint32_t seed = data.ConsumeIntegral<std::uint32_t>();
    std::size_t placedDirectory = 0;
    for (const Placed& placed : stripOffsetFields) {
        if (oddOffsets && file.bytes.size() % 2 == 0) file.append(1);
        const std::size_t pixels = file.append(samples(seed + static_cast<std::uint32_t>(placedDirectory++), std::size_t{width} * height));
        const bool shortOffsets = placed.type == shortType;
        for (std::uint32_t r = 0; r < placed.count; ++r) {
            const std::size_t offset = pixels + std::size_t{r} * 2 * width;
            if (shortOffsets) file.put16(placed.valuesAt + 2 * std::size_t{r}, static_cast<std::uint16_t>(offset));
            else file.put32(placed.valuesAt + 4 * std::size_t{r}, static_cast<std::uint32_t>(offset));
        }
    }
    if (data.ConsumeIntegralInRange(0, 15) == 15) {
        const std::size_t cut = data.ConsumeIntegralInRange<std::size_t>(1, std::min<std::size_t>(file.bytes.size(), 64));
        file.bytes.resize(file.bytes.size() - cut);
    }
    scan.bytes = std::move(file.bytes);
    return scan;
}

}  // namespace quillane::fuzz
