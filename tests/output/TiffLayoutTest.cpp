// The channel file's bytes: the worked layouts written in full, then the rules one at a time on
// the pure layout.
#include "output/ChannelScan.h"
#include "output/TiffLayout.h"
#include "support/ScanBuilder.h"
#include "support/TiffReadBack.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace quillane {
namespace {

using namespace testing;

struct Entry {
    std::uint16_t tag, type;
    std::uint32_t count, field;
    bool operator==(const Entry&) const = default;
};

void PrintTo(const Entry& e, std::ostream* out) {
    *out << "{" << e.tag << ", type " << e.type << ", count " << e.count << ", field " << e.field << "}";
}

std::vector<Entry> entriesOf(const std::uint8_t* directory) {
    std::vector<Entry> entries;
    const std::uint16_t count = static_cast<std::uint16_t>(directory[0] | directory[1] << 8);
    for (std::size_t i = 0; i < count; ++i) {
        const std::vector<std::uint8_t> e(directory + 2 + 12 * i, directory + 14 + 12 * i);
        entries.push_back({get16(e, 0), get16(e, 2), get32(e, 4), get32(e, 8)});
    }
    return entries;
}

std::string bytesOf(const std::vector<std::uint8_t>& file, std::size_t at, std::size_t n) {
    return std::string(file.begin() + static_cast<std::ptrdiff_t>(at), file.begin() + static_cast<std::ptrdiff_t>(at + n));
}

// A 4-byte value field holding a short text and its zero byte, as a little-endian number.
constexpr std::uint32_t inlineText(const char (&text)[4]) {
    return static_cast<std::uint8_t>(text[0]) | static_cast<std::uint8_t>(text[1]) << 8 |
           static_cast<std::uint8_t>(text[2]) << 16;
}

void expectReadsBackCleanly(const std::filesystem::path& file, const ChannelScan& source, int channel,
                            const std::string& pageName) {
    const TiffReadBack tiff = readTiff(file);
    ASSERT_TRUE(tiff.opened);
    EXPECT_EQ(unexpectedMessages(tiff, source.scan.dateTime), std::vector<std::string>{});
    EXPECT_EQ(tiff.width, static_cast<std::uint32_t>(source.scan.width));
    EXPECT_EQ(tiff.height, static_cast<std::uint32_t>(source.scan.height));
    EXPECT_EQ(tiff.bitsPerSample, 16);
    EXPECT_EQ(tiff.pageName, pageName);
    EXPECT_EQ(firstMismatches(source.pixels[channel], tiff.pixels, tiff.width), "");
}

// The 1000 × 500 scan with every text "NONE", pixel sizes 5.0 and 0.0, as channel 0 ("Red",
// inline) and as channel 1 ("Green", out of line, which moves everything behind it by 6).
TEST(ChannelFileLayout, WorkedExampleIsWrittenByteForByteAsRedAndAsGreen) {
    struct Case {
        int channel;
        const char* pageName;
        Entry pageNameEntry;
        std::uint32_t software, dateTime, artist, hostComputer, pixels, fileSize;
    };
    const Case cases[] = {
        {0, "Red", {285, 2, 4, inlineText("Red")}, 3336, 3342, 3362, 3368, 3374, 1003374},
        {1, "Green", {285, 2, 6, 3336}, 3342, 3348, 3368, 3374, 3380, 1003380},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pageName);
        TemporaryFolder folder;
        ChannelScan source(1000, 500);
        const auto path = folder / (std::string(c.pageName) + ".tif");
        source.writer.writeChannel(path.string(), c.channel);
        const auto file = readFile(path);
        ASSERT_EQ(file.size(), c.fileSize);

        EXPECT_EQ(bytesOf(file, 0, 8), std::string("II\x2a\0\x08\0\0\0", 8));
        const std::vector<Entry> expected = {
            {254, 4, 1, 2},    {256, 4, 1, 1000},   {257, 4, 1, 500},      {258, 3, 1, 16},
            {259, 3, 1, 1},    {262, 3, 1, 1},      {270, 2, 5, 302},      {271, 2, 5, 308},
            {272, 2, 5, 314},  {273, 4, 500, 320},  {277, 3, 1, 1},        {278, 4, 1, 1},
            {279, 3, 500, 2320}, {280, 3, 1, 0},    {281, 3, 1, 65535},    {282, 5, 1, 3320},
            {283, 5, 1, 3328}, {284, 3, 1, 1},      c.pageNameEntry,       {296, 3, 1, 3},
            {305, 2, 5, c.software}, {306, 2, 20, c.dateTime}, {315, 2, 5, c.artist}, {316, 2, 5, c.hostComputer},
        };
        EXPECT_EQ(entriesOf(file.data() + 8), expected);
        EXPECT_EQ(get32(file, 298), 0u) << "next directory";

        const std::string none("NONE\0\0", 6);
        for (std::uint32_t at : {302u, 308u, 314u, c.software, c.artist, c.hostComputer}) EXPECT_EQ(bytesOf(file, at, 6), none) << at;
        if (c.channel == 1) {
            EXPECT_EQ(bytesOf(file, 3336, 6), std::string("Green\0", 6));
        }
        EXPECT_EQ(bytesOf(file, c.dateTime, 20), std::string("NONE") + std::string(16, '\0'));

        int wrongOffsets = 0, wrongCounts = 0;
        for (std::uint32_t i = 0; i < 500; ++i) {
            wrongOffsets += get32(file, 320 + 4 * i) != c.pixels + 2000 * i;
            wrongCounts += get16(file, 2320 + 2 * i) != 2000;
        }
        EXPECT_EQ(wrongOffsets, 0);
        EXPECT_EQ(get32(file, 320 + 4 * 2), c.pixels + 4000) << "strip offsets step by a whole row";
        EXPECT_EQ(wrongCounts, 0);
        EXPECT_EQ(get32(file, 3320), 10000u);
        EXPECT_EQ(get32(file, 3324), 5u);
        EXPECT_EQ(get32(file, 3328), 10000u);
        EXPECT_EQ(get32(file, 3332), 10u);
        EXPECT_EQ(firstMismatches(source.pixels[c.channel], samplesAt(file.data() + c.pixels, 500000), 1000), "");

        expectReadsBackCleanly(path, source, c.channel, c.pageName);
    }
}

// Texts of every kind in one small file, checked against the whole file built by hand.
TEST(ChannelFileLayout, MixedTextsFileIsWrittenByteForByte) {
    TemporaryFolder folder;
    ChannelScan source(3, 4);
    ScanImage& scan = source.scan;
    scan.description = "";
    scan.make = "Abc";
    scan.model = "Model6";
    scan.software = "Soft";
    scan.artist = "";
    scan.hostComputer = "Host5";
    scan.dateTime = "2024:05:06 07:08:09";
    scan.scannerRecord.pixelSizeX = 10.0;
    scan.scannerRecord.pixelSizeY = 10.0;
    const auto path = folder / "mixed.tif";
    source.writer.writeChannel(path.string(), 1);

    std::vector<std::uint8_t> expected(412, 0);
    const auto text = [&](std::size_t at, const std::string& s) { std::copy(s.begin(), s.end(), expected.begin() + static_cast<std::ptrdiff_t>(at)); };
    const auto entry = [&](int i, std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t field) {
        put16(expected, 10 + 12 * i, tag);
        put16(expected, 12 + 12 * i, type);
        put32(expected, 14 + 12 * i, count);
        put32(expected, 18 + 12 * i, field);
    };
    text(0, "II");
    put16(expected, 2, 42);
    put32(expected, 4, 8);
    put16(expected, 8, 24);
    entry(0, 254, 4, 1, 2);
    entry(1, 256, 4, 1, 3);
    entry(2, 257, 4, 1, 4);
    entry(3, 258, 3, 1, 16);
    entry(4, 259, 3, 1, 1);
    entry(5, 262, 3, 1, 1);
    entry(6, 270, 2, 1, 0);
    entry(7, 271, 2, 4, inlineText("Abc"));
    entry(8, 272, 2, 7, 302);
    entry(9, 273, 4, 4, 310);
    entry(10, 277, 3, 1, 1);
    entry(11, 278, 4, 1, 1);
    entry(12, 279, 3, 4, 326);
    entry(13, 280, 3, 1, 0);
    entry(14, 281, 3, 1, 65535);
    entry(15, 282, 5, 1, 334);
    entry(16, 283, 5, 1, 342);
    entry(17, 284, 3, 1, 1);
    entry(18, 285, 2, 6, 350);
    entry(19, 296, 3, 1, 3);
    entry(20, 305, 2, 5, 356);
    entry(21, 306, 2, 20, 362);
    entry(22, 315, 2, 1, 0);
    entry(23, 316, 2, 6, 382);
    text(302, "Model6");
    for (int i = 0; i < 4; ++i) put32(expected, 310 + 4 * i, 388 + 6 * i);
    for (int i = 0; i < 4; ++i) put16(expected, 326 + 2 * i, 6);
    put32(expected, 334, 10000);
    put32(expected, 338, 10);
    put32(expected, 342, 10000);
    put32(expected, 346, 10);
    text(350, "Green");
    text(356, "Soft");
    text(362, "2024:05:06 07:08:09");
    text(382, "Host5");
    for (std::size_t i = 0; i < 12; ++i) put16(expected, 388 + 2 * i, source.pixels[1][i]);

    const auto file = readFile(path);
    ASSERT_EQ(file.size(), expected.size());
    for (std::size_t i = 0; i < file.size(); ++i) ASSERT_EQ(int{file[i]}, int{expected[i]}) << "first difference at byte " << i;
    expectReadsBackCleanly(path, source, 1, "Green");
}

// Every text entry switches from inline to the value area between 3 and 4 characters; an
// out-of-line text takes its count rounded up to even.
TEST(ChannelFileLayout, TextsUpToThreeCharactersStandInTheirEntry) {
    struct Slot {
        std::uint16_t tag;
        int entry;
        std::string ChannelFileFields::*text;
    };
    const Slot slots[] = {
        {270, 6, &ChannelFileFields::description}, {271, 7, &ChannelFileFields::make},
        {272, 8, &ChannelFileFields::model},       {285, 18, &ChannelFileFields::pageName},
        {305, 20, &ChannelFileFields::software},   {315, 22, &ChannelFileFields::artist},
        {316, 23, &ChannelFileFields::hostComputer},
    };
    ChannelFileFields base;
    base.width = 2;
    base.height = 3;
    const auto baseLayout = layOutChannelFile(base);
    ASSERT_TRUE(baseLayout);

    for (const Slot& slot : slots) {
        for (const std::string text : {"", "abc", "abcd", "abcde"}) {
            SCOPED_TRACE(std::to_string(slot.tag) + " \"" + text + "\"");
            ChannelFileFields fields = base;
            fields.*slot.text = text;
            const auto layout = layOutChannelFile(fields);
            ASSERT_TRUE(layout);
            const Entry entry = entriesOf(layout->directory.data())[static_cast<std::size_t>(slot.entry)];
            EXPECT_EQ(entry.tag, slot.tag);
            EXPECT_EQ(entry.count, text.size() + 1);
            const std::uint8_t* field = layout->directory.data() + 2 + 12 * slot.entry + 8;
            if (text.size() <= 3) {
                EXPECT_EQ(std::string(reinterpret_cast<const char*>(field), 4), text + std::string(4 - text.size(), '\0'));
                EXPECT_EQ(layout->pixelOffset, baseLayout->pixelOffset);
            } else {
                const std::size_t taken = text.size() + 1 + (text.size() + 1) % 2;
                EXPECT_EQ(layout->pixelOffset, baseLayout->pixelOffset + taken);
                const std::vector<std::uint8_t>& area = layout->valueArea;
                EXPECT_EQ(std::string(area.begin() + (entry.field - valueAreaStart), area.begin() + (entry.field - valueAreaStart + taken)),
                          text + std::string(taken - text.size(), '\0'));
            }
        }
    }
}

TEST(ChannelFileLayout, DateTimeAlwaysTakesTwentyBytes) {
    const struct {
        std::string dateTime;
        std::string stored;
    } cases[] = {
        {"2024:05:06 07:08:09", std::string("2024:05:06 07:08:09\0", 20)},
        {"NONE", "NONE" + std::string(16, '\0')},
        {"", std::string(20, '\0')},
        // Longer texts keep their first 20 bytes, with no zero byte.
        {"2024:05:06 07:08:09 UTC", "2024:05:06 07:08:09 "},
    };
    for (const auto& c : cases) {
        ChannelFileFields fields;
        fields.width = 1;
        fields.height = 1;
        fields.dateTime = c.dateTime;
        const auto layout = layOutChannelFile(fields);
        ASSERT_TRUE(layout);
        const Entry entry = entriesOf(layout->directory.data())[21];
        EXPECT_EQ(entry, (Entry{306, 2, 20, entry.field}));
        const auto at = layout->valueArea.begin() + (entry.field - valueAreaStart);
        EXPECT_EQ(std::string(at, at + 20), c.stored) << c.dateTime;
    }
}

TEST(ChannelFileLayout, ResolutionKeepsThePixelSizeToTheNanometre) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double pixelSize;
        Rational resolution;
    } cases[] = {
        // Whole micrometres over 10000, any other size in nanometres over 10000000.
        {5.0, {10000, 5}},     {1.0, {10000, 1}},   {4294967295.0, {10000, 4294967295u}},
        {2.5, {10000000, 2500}}, {5.9, {10000000, 5900}}, {1.0004, {10000000, 1000}},
        {4294967.295, {10000000, 4294967295u}},
        // Nanometres past 32 bits: whole micrometres, truncated.
        {4294967.2955, {10000, 4294967}}, {4294967295.9, {10000, 4294967295u}},
        {0.0, {10000, 10}},    {nan, {10000, 10}},    {-0.0, {10000, 10}},
        // Below one micrometre the nanometres keep the resolution finite and right.
        {0.5, {10000000, 500}}, {0.9996, {10000000, 1000}}, {0.0005, {10000000, 1}},
        {0.0004, {10000, 10}},
        // Sizes that cannot be a pixel's read as unknown.
        {-1.0, {10000, 10}},   {-0.5, {10000, 10}}, {inf, {10000, 10}}, {-inf, {10000, 10}},
        {4294967296.0, {10000, 10}},
    };
    for (const auto& c : cases) {
        const Rational r = resolutionFor(c.pixelSize);
        EXPECT_EQ(r.numerator, c.resolution.numerator) << c.pixelSize;
        EXPECT_EQ(r.denominator, c.resolution.denominator) << c.pixelSize;
    }
}

// One strip per row; arrays that fit into the 4-byte field stand there, and rows too long for
// 16 bits get LONG byte counts.
TEST(ChannelFileLayout, StripArraysStandInlineWhenTheyFitAndGrowToLongForWideRows) {
    const struct {
        std::uint32_t width, height;
        bool offsetsInline;
        std::uint16_t countType;
        bool countsInline;
    } cases[] = {
        {5, 1, true, 3, true},          {5, 2, false, 3, true},         {5, 3, false, 3, false},
        {32767, 1, true, 3, true},      {32767, 3, false, 3, false},    {32768, 1, true, 4, true},
        {32768, 2, false, 4, false},    {40000, 3, false, 4, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        ChannelFileFields fields;
        fields.width = c.width;
        fields.height = c.height;
        const auto layout = layOutChannelFile(fields);
        ASSERT_TRUE(layout);
        const auto entries = entriesOf(layout->directory.data());
        const Entry offsets = entries[9], counts = entries[12];
        const std::uint32_t rowBytes = 2 * c.width;
        EXPECT_EQ(offsets, (Entry{273, 4, c.height, offsets.field}));
        EXPECT_EQ(counts, (Entry{279, c.countType, c.height, counts.field}));
        EXPECT_EQ(layout->fileSize(), std::uint64_t{layout->pixelOffset} + std::uint64_t{rowBytes} * c.height);

        const auto& area = layout->valueArea;
        const auto areaAt = [&](std::uint32_t offset) { return static_cast<std::size_t>(offset - valueAreaStart); };
        for (std::uint32_t i = 0; i < c.height; ++i) {
            const std::uint32_t offset = c.offsetsInline ? offsets.field : get32(area, areaAt(offsets.field) + 4 * i);
            EXPECT_EQ(offset, layout->pixelOffset + i * rowBytes) << "row " << i;
            std::uint32_t count = 0;
            if (c.countsInline)
                count = c.countType == 4 ? counts.field : (counts.field >> (16 * i)) & 0xFFFF;
            else
                count = c.countType == 4 ? get32(area, areaAt(counts.field) + 4 * i) : get16(area, areaAt(counts.field) + 2 * i);
            EXPECT_EQ(count, rowBytes) << "row " << i;
        }
    }
}

TEST(ChannelFileLayout, FilesPastFourGibibytesAreNotLaidOut) {
    ChannelFileFields fields;
    fields.width = 65536;
    fields.height = 32765;  // ends 130757 bytes short of 4 GiB
    EXPECT_TRUE(layOutChannelFile(fields));
    fields.height = 32766;  // one row more no longer fits
    EXPECT_FALSE(layOutChannelFile(fields));
    fields.width = 0xFFFFFFFFu;
    fields.height = 1;
    EXPECT_FALSE(layOutChannelFile(fields));
}

}  // namespace
}  // namespace quillane
