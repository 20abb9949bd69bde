// Channel files over the whole range of shapes and text lengths: every text from empty to
// over a kilobyte, on either side of every even/odd boundary and of the sizes a buffer might
// reserve; one row to a thousand rows; rows of one sample to rows too long for 16-bit byte
// counts; both channels, flipped either way and not. Each layout is checked against offsets worked out
// here from the lengths alone, and each written file read back through libtiff, every tag and
// every pixel. The shapes and texts that once made the writer fill freed memory come last.
#include "output/ChannelScan.h"
#include "output/TiffLayout.h"
#include "split/RecordingHost.h"
#include "split/SplitRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <sstream>

namespace quillane {
namespace {

using namespace testing;

const std::uint32_t widths[] = {1, 5, 32767, 32768, 40000};
const std::uint32_t heights[] = {1, 2, 3, 4, 57, 1000};
const std::size_t textLengths[] = {0,   1,   2,   3,   4,   5,   6,   7,   8,   127, 128, 250, 251,
                                   255, 256, 257, 281, 282, 283, 336, 337, 338, 1023, 1024, 1100};
constexpr std::size_t lengthCount = std::size(textLengths);

// The eight texts of a channel file in directory order.
enum Text { description, make, model, pageName, software, dateTime, artist, hostComputer, textCount };
constexpr std::uint16_t textTags[textCount] = {270, 271, 272, 285, 305, 306, 315, 316};

// Text lengths for layout number `k`: each text takes another length of the list, so that over
// consecutive k every text meets every length.
std::array<std::size_t, textCount> lengthsFor(std::size_t k) {
    std::array<std::size_t, textCount> lengths{};
    for (std::size_t t = 0; t < textCount; ++t) lengths[t] = textLengths[(k + 7 * t) % lengthCount];
    return lengths;
}

std::string textOf(std::size_t length, char first) {
    std::string text(length, ' ');
    for (std::size_t i = 0; i < length; ++i) text[i] = static_cast<char>(first + i % 23);
    return text;
}

// Where each item of a channel file stands, worked out from the lengths by the layout's rules:
// texts of up to 3 characters and arrays that fit 4 bytes stand in their entry; every other item
// follows the directory in tag order, each starting at an even offset.
struct ExpectedLayout {
    std::optional<std::uint32_t> textAt[textCount];  // none when inline (DateTime never is)
    std::optional<std::uint32_t> stripOffsetsAt, byteCountsAt;
    bool longByteCounts = false;
    std::uint32_t xResolutionAt = 0, yResolutionAt = 0, pixelOffset = 0;
};

ExpectedLayout expectedLayout(std::uint32_t width, std::uint32_t height, const std::array<std::size_t, textCount>& lengths) {
    ExpectedLayout e;
    std::uint32_t at = 302;
    const auto place = [&](std::uint32_t bytes) {
        const std::uint32_t start = at;
        at += bytes + bytes % 2;
        return start;
    };
    const auto text = [&](Text t) {
        if (t == dateTime) e.textAt[t] = place(20);
        else if (lengths[t] + 1 > 4) e.textAt[t] = place(static_cast<std::uint32_t>(lengths[t] + 1));
    };
    text(description);
    text(make);
    text(model);
    if (height > 1) e.stripOffsetsAt = place(4 * height);
    e.longByteCounts = 2 * width > 0xFFFF;
    if (e.longByteCounts ? height > 1 : height > 2) e.byteCountsAt = place((e.longByteCounts ? 4 : 2) * height);
    e.xResolutionAt = place(8);
    e.yResolutionAt = place(8);
    for (const Text t : {pageName, software, dateTime, artist, hostComputer}) text(t);
    e.pixelOffset = at;
    return e;
}

std::uint32_t field32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16) | std::uint32_t{bytes[3]} << 24;
}

// The first thing wrong with a file's bytes up to its pixels, or empty. `file` holds them from
// offset 0: header, directory, then the value area.
std::string layoutMismatch(const std::vector<std::uint8_t>& file, std::uint32_t width, std::uint32_t height,
                           const std::array<std::string, textCount>& texts, Rational x, Rational y) {
    std::array<std::size_t, textCount> lengths{};
    for (std::size_t t = 0; t < textCount; ++t) lengths[t] = texts[t].size();
    const ExpectedLayout e = expectedLayout(width, height, lengths);
    std::ostringstream out;
    if (file.size() < e.pixelOffset) return "the file ends before its pixels";
    const auto entry = [&](std::uint16_t tag) -> const std::uint8_t* {
        for (std::size_t i = 0; i < 24; ++i)
            if (get16(file, 10 + 12 * i) == tag) return file.data() + 10 + 12 * i;
        return nullptr;
    };
    const auto bytesAt = [&](std::uint32_t at, std::size_t n) { return std::string(file.begin() + at, file.begin() + at + static_cast<std::ptrdiff_t>(n)); };

    for (std::size_t t = 0; t < textCount; ++t) {
        const std::uint8_t* ifd = entry(textTags[t]);
        const std::string& text = texts[t];
        const std::uint32_t count = t == dateTime ? 20 : static_cast<std::uint32_t>(text.size() + 1);
        if (ifd == nullptr || field32(ifd + 4) != count) {
            out << "tag " << textTags[t] << ": missing or count wrong";
            return out.str();
        }
        std::string stored = e.textAt[t] ? bytesAt(*e.textAt[t], count) : std::string(ifd + 8, ifd + 8 + count);
        if (e.textAt[t] && field32(ifd + 8) != *e.textAt[t]) out << "tag " << textTags[t] << " at " << field32(ifd + 8) << ", expected " << *e.textAt[t];
        std::string wanted = text.substr(0, t == dateTime ? 20 : text.size());
        wanted.resize(count, '\0');
        if (stored != wanted) out << "tag " << textTags[t] << ": text differs";
        if (!out.str().empty()) return out.str();
    }
    const std::uint8_t* offsets = entry(273);
    const std::uint8_t* counts = entry(279);
    if (offsets == nullptr || counts == nullptr) return "strip entries missing";
    const std::uint32_t rowBytes = 2 * width;
    for (std::uint32_t i = 0; i < height; ++i) {
        const std::uint32_t offset = e.stripOffsetsAt ? get32(file, *e.stripOffsetsAt + 4 * i) : field32(offsets + 8);
        const std::uint32_t countValue = e.byteCountsAt ? (e.longByteCounts ? get32(file, *e.byteCountsAt + 4 * i)
                                                                              : get16(file, *e.byteCountsAt + 2 * i))
                                                        : (e.longByteCounts ? field32(counts + 8) : get16(file, static_cast<std::size_t>(counts + 8 + 2 * i - file.data())));
        if (offset != e.pixelOffset + i * rowBytes || countValue != (e.longByteCounts ? rowBytes : rowBytes & 0xFFFF)) {
            out << "row " << i << ": strip at " << offset << " of " << countValue << " bytes";
            return out.str();
        }
    }
    if (e.stripOffsetsAt && field32(offsets + 8) != *e.stripOffsetsAt) return "strip offsets stand elsewhere";
    if (e.byteCountsAt && field32(counts + 8) != *e.byteCountsAt) return "byte counts stand elsewhere";
    if (get16(file, static_cast<std::size_t>(counts + 2 - file.data())) != (e.longByteCounts ? 4 : 3)) return "byte counts of the wrong type";
    const Rational storedX{get32(file, e.xResolutionAt), get32(file, e.xResolutionAt + 4)};
    const Rational storedY{get32(file, e.yResolutionAt), get32(file, e.yResolutionAt + 4)};
    if (storedX != x || storedY != y || field32(entry(282) + 8) != e.xResolutionAt || field32(entry(283) + 8) != e.yResolutionAt)
        return "resolutions differ";
    return "";
}

// The seven texts a scan carries over, into the writer's fields or into a scan itself.
template <class Target>
void setScannerTexts(Target& target, const std::array<std::string, textCount>& texts) {
    target.description = texts[description];
    target.make = texts[make];
    target.model = texts[model];
    target.software = texts[software];
    target.dateTime = texts[dateTime];
    target.artist = texts[artist];
    target.hostComputer = texts[hostComputer];
}

TEST(ChannelFileProperty, EveryLayoutHasItsItemsWhereTheLengthsPutThem) {
    std::size_t k = 0;
    for (const std::uint32_t w : widths) {
        for (const std::uint32_t h : heights) {
            for (const auto& [width, height] : {std::pair{w, h}, std::pair{h, w}}) {
                for (std::size_t rotation = 0; rotation < lengthCount; ++rotation, ++k) {
                    const auto lengths = lengthsFor(k);
                    std::array<std::string, textCount> texts;
                    for (std::size_t t = 0; t < textCount; ++t) texts[t] = textOf(lengths[t], static_cast<char>('A' + t));
                    ChannelFileFields fields;
                    fields.width = width;
                    fields.height = height;
                    setScannerTexts(fields, texts);
                    fields.pageName = texts[pageName];
                    fields.pixelSizeX = 2.5;
                    fields.pixelSizeY = 5.0;
                    const std::optional<ChannelFileLayout> layout = layOutChannelFile(fields);
                    ASSERT_TRUE(layout);
                    // The bytes before the pixels, as the writer puts them in the file.
                    ASSERT_EQ(layout->pixelOffset, valueAreaStart + layout->valueArea.size());
                    std::vector<std::uint8_t> file(layout->pixelOffset);
                    auto next = std::copy(layout->header.begin(), layout->header.end(), file.begin());
                    next = std::copy(layout->directory.begin(), layout->directory.end(), next);
                    std::copy(layout->valueArea.begin(), layout->valueArea.end(), next);
                    ASSERT_EQ(layoutMismatch(file, width, height, texts, {10000000, 2500}, {10000, 5}), "")
                        << width << " x " << height << ", layout " << k;
                }
            }
        }
    }
}

// One channel file through the writer, as the split run makes it, read back two ways.
void expectWrittenFile(const std::filesystem::path& folder, std::uint32_t width, std::uint32_t height, int channel,
                       bool flip, std::size_t k) {
    const std::string what = std::to_string(width) + " x " + std::to_string(height) + ", channel " +
                             std::to_string(channel) + (flip ? ", flipped" : "") + ", layout " + std::to_string(k);
    SCOPED_TRACE(what);
    ChannelScan source(width, height);
    ScanImage& scan = source.scan;
    const auto lengths = lengthsFor(k);
    const std::int32_t colour = static_cast<std::int32_t>(k % 4);
    scan.scannerRecord.channelColour[channel] = colour;
    scan.scannerRecord.pixelSizeX = 2.5;
    scan.scannerRecord.pixelSizeY = 5.0;
    std::array<std::string, textCount> texts;
    for (std::size_t t = 0; t < textCount; ++t) texts[t] = textOf(lengths[t], static_cast<char>('a' + t));
    texts[pageName] = channelNames[colour];
    setScannerTexts(scan, texts);

    std::uint32_t fileWidth = width, fileHeight = height;
    std::vector<std::uint16_t> expectedPixels = source.pixels[channel];
    if (flip) {
        // Either diagonal, flipped as it is written: in bands of a sixteenth of the image (pieces
        // of rows where the image is narrow), in bands of 8 rows, or in one band.
        const bool mainDiagonal = k % 2 == 0;
        const std::size_t bandSizes[] = {std::max<std::size_t>(64, std::size_t{width} * height / 8),
                                         std::size_t{16} * height, ChannelWriter::defaultFlipBandBytes};
        source.writer.flipBandBytes = bandSizes[k % 3];
        source.writer.flipWhenWritten(mainDiagonal);
        std::swap(fileWidth, fileHeight);
        expectedPixels = reflectedPatternImage(channel, width, height, mainDiagonal);
    }
    const auto path = folder / "channel.tif";
    source.writer.writeChannel(path.string(), channel);

    const std::vector<std::uint8_t> file = readFile(path);
    const ExpectedLayout e = expectedLayout(fileWidth, fileHeight, [&] {
        std::array<std::size_t, textCount> stored{};
        for (std::size_t t = 0; t < textCount; ++t) stored[t] = texts[t].size();
        return stored;
    }());
    ASSERT_EQ(file.size(), e.pixelOffset + std::size_t{2} * width * height);
    const Rational across = flip ? Rational{10000, 5} : Rational{10000000, 2500};
    const Rational down = flip ? Rational{10000000, 2500} : Rational{10000, 5};
    ASSERT_EQ(layoutMismatch(file, fileWidth, fileHeight, texts, across, down), "");

    const TiffReadBack tiff = readTiff(path);
    ASSERT_TRUE(tiff.opened);
    EXPECT_EQ(unexpectedMessages(tiff, texts[dateTime]), std::vector<std::string>{});
    EXPECT_EQ(tiff.width, fileWidth);
    EXPECT_EQ(tiff.height, fileHeight);
    EXPECT_EQ(tiff.bitsPerSample, 16);
    EXPECT_EQ(tiff.samplesPerPixel, 1);
    EXPECT_EQ(tiff.compression, 1);
    EXPECT_EQ(tiff.photometric, 1);
    EXPECT_EQ(tiff.planarConfiguration, 1);
    EXPECT_EQ(tiff.rowsPerStrip, 1u);
    EXPECT_EQ(tiff.subfileType, 2u);
    EXPECT_EQ(tiff.minSampleValue, 0);
    EXPECT_EQ(tiff.maxSampleValue, 65535);
    EXPECT_EQ(tiff.resolutionUnit, 3);
    EXPECT_FLOAT_EQ(tiff.xResolution, flip ? 2000.0f : 4000.0f);
    EXPECT_FLOAT_EQ(tiff.yResolution, flip ? 4000.0f : 2000.0f);
    EXPECT_EQ(tiff.description, texts[description]);
    EXPECT_EQ(tiff.make, texts[make]);
    EXPECT_EQ(tiff.model, texts[model]);
    EXPECT_EQ(tiff.software, texts[software]);
    EXPECT_EQ(tiff.artist, texts[artist]);
    EXPECT_EQ(tiff.hostComputer, texts[hostComputer]);
    EXPECT_EQ(tiff.pageName, texts[pageName]);
    EXPECT_EQ(tiff.dateTime, texts[dateTime].substr(0, 19 < texts[dateTime].size() ? 20 : texts[dateTime].size()));
    ASSERT_EQ(tiff.stripOffsets.size(), fileHeight);
    ASSERT_EQ(tiff.stripByteCounts.size(), fileHeight);
    EXPECT_EQ(tiff.stripOffsets.back(), e.pixelOffset + std::uint64_t{fileHeight - 1} * 2 * fileWidth);
    EXPECT_EQ(tiff.stripByteCounts.back(), 2 * std::uint64_t{fileWidth});
    EXPECT_EQ(firstMismatches(expectedPixels, tiff.pixels, fileWidth), "");
}

TEST(ChannelFileProperty, EveryShapeAndTextLengthReadsBackThroughLibtiff) {
    TemporaryFolder folder;
    std::size_t k = 0;
    for (const std::uint32_t width : widths) {
        for (const std::uint32_t height : heights) {
            const std::uint64_t samples = std::uint64_t{width} * height;
            if (samples > 2'500'000) continue;  // the layout test covers these shapes without pixels
            // Small images take every text through several lengths, large ones one set each.
            const std::size_t rotations = samples > 100'000 ? 1 : 4;
            for (int channel = 0; channel < 2; ++channel)
                for (const bool flip : {false, true})
                    for (std::size_t r = 0; r < rotations; ++r) expectWrittenFile(folder.path(), width, height, channel, flip, k++);
        }
    }
}

// The inputs that once made the writer fill freed memory: a file reported as written whose
// byte counts were all 0 or whose resolution was 0/0, or the program ending in a heap check.
TEST(ChannelFileProperty, TextsThatOutgrewTheLayoutsFirstGuessAreWrittenWhole) {
    struct Case {
        const char* what;
        std::uint32_t width, height;
        std::string description;
        int recordKind;
        bool flip;
    };
    std::vector<Case> cases = {
        {"20 x 20, a 282-character description", 20, 20, std::string(282, 'd'), 1, false},
        {"640 x 480, a 2000-character description", 640, 480, std::string(2000, 'd'), 1, false},
        {"32768 wide, 250 characters of text", 32768, 3, std::string(250, 'w'), 1, false},
        {"40000 wide, 250 characters of text", 40000, 2, std::string(250, 'w'), 1, true},
        {"a 256-byte record text, flipped", 9, 7, std::string(300, 'r'), 4, true},
    };
    for (std::uint32_t height = 29; height <= 65; height += 4)
        cases.push_back({"64 wide, a 337-character description", 64, height, std::string(337, 'e'), 1, false});

    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.what) + ", height " + std::to_string(c.height));
        TemporaryFolder folder;
        ScanBuilder builder = ScanBuilder::scan(c.width, c.height);
        builder.recordKind(c.recordKind);
        builder.pixelSize(5.0, 5.0);
        if (c.recordKind == 4)
            builder.recordDescription(c.description);
        else
            builder.text(270, c.description);
        const auto input = builder.write(folder / "scan.tif");

        RecordingHost host;
        RecordingPlatform platform(host);
        host.inputs = {input.string()};
        host.options.flip = c.flip;
        host.options.mainDiagonal = true;
        SplitRun(host, platform);
        ASSERT_TRUE(host.called("message Done!: Successfully created files "));

        const std::string suffix = c.flip ? "_FlippedLLtoUR" : "";
        const std::string expectedText = c.recordKind == 4 ? c.description.substr(0, 256) : c.description;
        for (int channel = 0; channel < 2; ++channel) {
            const TiffReadBack tiff = readTiff(folder / (std::string(channel == 0 ? "Red" : "Green") + "scan" + suffix + ".tif"));
            ASSERT_TRUE(tiff.opened);
            const std::uint32_t width = c.flip ? c.height : c.width;
            const std::uint32_t height = c.flip ? c.width : c.height;
            EXPECT_EQ(tiff.description, expectedText);
            EXPECT_FLOAT_EQ(tiff.xResolution, 2000);
            EXPECT_FLOAT_EQ(tiff.yResolution, 2000);
            ASSERT_EQ(tiff.stripByteCounts.size(), height);
            for (const std::uint64_t count : tiff.stripByteCounts) ASSERT_EQ(count, 2 * std::uint64_t{width});
            const auto expected = c.flip ? reflectedPatternImage(channel, c.width, c.height, true)
                                         : patternImage(channel, c.width, c.height);
            EXPECT_EQ(firstMismatches(expected, tiff.pixels, width), "");
        }
    }
}

}  // namespace
}  // namespace quillane
