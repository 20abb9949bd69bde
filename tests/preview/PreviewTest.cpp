// The preview against the files the split writes: every pixel is what the written channel's block
// comes to, whatever the shape, box and flip; saturation is marked as much as it is, never lost.
#include "preview/PictureFile.h"
#include "preview/ScanPreview.h"
#include "preview/TileMaker.h"
#include "preview/RegionPicture.h"
#include "preview/ViewPicture.h"
#include "preview/ZoomView.h"
#include "preview/ToneMapping.h"
#include "ScanFile.h"
#include "split/RecordingHost.h"
#include "scan/UserException.h"
#include "split/SplitRun.h"
#include "support/Expectations.h"
#include "support/ScanBuilder.h"
#include "support/TiffReadBack.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <tuple>

namespace quillane {
namespace {

using namespace testing;
namespace fs = std::filesystem;

// A written channel reduced the plain way, block by block, with the smallest side that fits.
struct PlainReduction {
    std::uint32_t side = 1, columns = 0, rows = 0;
    std::vector<std::uint16_t> means, maxima;
    std::vector<std::uint32_t> saturated;
};

PlainReduction reducedPlainly(const TiffReadBack& file, std::uint32_t side) {
    PlainReduction plain;
    plain.side = side;
    const auto blocks = [&](std::uint32_t length) { return (length + plain.side - 1) / plain.side; };
    plain.columns = blocks(file.width);
    plain.rows = blocks(file.height);
    for (std::uint32_t br = 0; br < plain.rows; ++br) {
        for (std::uint32_t bc = 0; bc < plain.columns; ++bc) {
            std::uint64_t sum = 0, count = 0;
            std::uint16_t maximum = 0;
            std::uint32_t saturated = 0;
            for (std::uint32_t r = br * plain.side; r < std::min(file.height, (br + 1) * plain.side); ++r) {
                for (std::uint32_t c = bc * plain.side; c < std::min(file.width, (bc + 1) * plain.side); ++c) {
                    const std::uint16_t sample = file.pixels[std::size_t{r} * file.width + c];
                    sum += sample;
                    ++count;
                    maximum = std::max(maximum, sample);
                    saturated += sample == 0xFFFF;
                }
            }
            plain.means.push_back(static_cast<std::uint16_t>((sum + count / 2) / count));
            plain.maxima.push_back(maximum);
            plain.saturated.push_back(saturated);
        }
    }
    return plain;
}

PlainReduction reducedPlainly(const TiffReadBack& file, std::uint32_t boxWidth, std::uint32_t boxHeight) {
    std::uint32_t side = 1;
    while ((file.width + side - 1) / side > boxWidth || (file.height + side - 1) / side > boxHeight) ++side;
    return reducedPlainly(file, side);
}

// A channel's tiles put back together into the whole image's blocks; `marked` receives the blocks marked.
PlainReduction assembled(const std::vector<ViewTile>& tiles, const TileLayout& layout, int channel, std::vector<std::size_t>& marked) {
    PlainReduction whole{layout.side, layout.blockColumns(), layout.blockRows(), {}, {}, {}};
    const std::size_t blocks = std::size_t{whole.columns} * whole.rows;
    whole.means.assign(blocks, 0), whole.maxima.assign(blocks, 0), whole.saturated.assign(blocks, 0);
    for (const ViewTile& tile : tiles) {
        for (std::size_t i = 0; i < std::size_t{tile.columns} * tile.rows; ++i) {
            const std::size_t at = (tile.key.row * layout.tileBlocks + i / tile.columns) * whole.columns + tile.key.column * layout.tileBlocks + i % tile.columns;
            whole.means[at] = tile.channels[channel].means[i], whole.maxima[at] = tile.channels[channel].maxima[i], whole.saturated[at] = tile.channels[channel].saturated[i];
            if (tile.marks[channel][i]) marked.push_back(at);
        }
    }
    std::sort(marked.begin(), marked.end());
    return whole;
}

std::vector<std::size_t> markedPixels(const RgbImage& picture) {
    std::vector<std::size_t> marked;
    for (std::size_t i = 0; i < picture.pixels.size() / 3; ++i)
        if (std::equal(saturatedColour.begin(), saturatedColour.end(), picture.pixels.begin() + static_cast<std::ptrdiff_t>(3 * i)))
            marked.push_back(i);
    return marked;
}

TEST(Preview, EachPixelIsTheBlockOfTheFileTheSplitWritesWithThatFlip) {
    const struct {
        std::uint32_t width, height, boxWidth, boxHeight;
        bool saturated = false;  // every sample of channel 0 at 65535: more than a 16-bit count holds
    } shapes[] = {
        {7, 5, 3, 3}, {1, 9, 2, 2}, {9, 1, 4, 1}, {13, 11, 100, 100}, {64, 3, 5, 5}, {31, 17, 4, 6}, {1, 1, 1, 1}, {5, 4, 5, 5, true},
        // Rows wider than a strip of columns and than one read: read in pieces, summed strip by strip.
        {ChannelReducer::stripColumns + 7, 3, 9, 4}, {20000, 7, 9, 4, true}, {1, 70000, 1, 1, true},
    };
    const struct {
        const char* what;
        bool flip, mainDiagonal;
        const char* suffix;
    } flips[] = {{"as stored", false, false, ""}, {"main", true, true, "_FlippedLLtoUR"}, {"opposite", true, false, "_FlippedULtoLR"}};
    for (const auto& shape : shapes) {
        for (const auto& flip : flips) {
            SCOPED_TRACE(std::to_string(shape.width) + " x " + std::to_string(shape.height) + ", " + flip.what);
            const TemporaryFolder folder;
            ScanBuilder builder = ScanBuilder::scan(shape.width, shape.height);
            builder.samples[0][shape.width * shape.height / 2] = 0xFFFF;  // one saturated sample each
            builder.samples[1].back() = 0xFFFF;
            builder.samples[1].front() = 0;
            if (shape.saturated) std::fill(builder.samples[0].begin(), builder.samples[0].end(), 0xFFFF);
            const std::string input = builder.write(folder / "scan.tif").string();
            RecordingHost host;
            RecordingPlatform platform(host);
            host.options = {"", true, flip.flip, flip.mainDiagonal};
            host.inputs = {input};
            ASSERT_TRUE(SplitRun(host, platform).succeeded());

            const ScanPreview preview = previewScan(input, {shape.boxWidth, shape.boxHeight, flip.flip, flip.mainDiagonal});
            // Zoomed: tiles of a few blocks (wide ones on a large scan), many across the edges.
            const std::uint32_t tileBlocks = shape.width * shape.height > 10000 ? 1024 : 3;
            const TileMaker maker(input, preview.flip, tileBlocks);
            for (int c = 0; c < 2; ++c) {
                SCOPED_TRACE(c);
                const TiffReadBack written = readTiff(folder / (std::string(c == 0 ? "Red" : "Green") + "scan" + flip.suffix + ".tif"));
                const PlainReduction plain = reducedPlainly(written, shape.boxWidth, shape.boxHeight);
                EXPECT_EQ(std::make_pair(preview.width, preview.height), std::make_pair(written.width, written.height));
                EXPECT_EQ(preview.grid.side, plain.side);
                EXPECT_EQ(preview.channels[c].means, plain.means);
                EXPECT_EQ(preview.channels[c].maxima, plain.maxima);
                EXPECT_EQ(preview.channels[c].saturated, plain.saturated);
                std::vector<std::size_t> saturated;  // at one sample a pixel, exactly these are marked
                for (std::size_t i = 0; i < written.pixels.size(); ++i)
                    if (written.pixels[i] == 0xFFFF) saturated.push_back(i);
                if (plain.side == 1) { EXPECT_EQ(markedPixels(channelPicture(preview, c, ToneCurve::linear)), saturated); }
                for (const std::uint32_t side : {1u, 2u, plain.side}) {
                    SCOPED_TRACE("side " + std::to_string(side));
                    std::vector<ViewTile> tiles;
                    for (std::uint32_t row = 0; row < maker.layout(side).tileRows(); ++row)
                        for (std::uint32_t column = 0; column < maker.layout(side).tileColumns(); ++column) tiles.push_back(maker.make({side, row, column}));
                    std::vector<std::size_t> marked;
                    const PlainReduction tiled = assembled(tiles, maker.layout(side), c, marked), atSide = reducedPlainly(written, side);
                    EXPECT_EQ(std::tie(tiled.means, tiled.maxima, tiled.saturated), std::tie(atSide.means, atSide.maxima, atSide.saturated));
                    if (side == 1) { EXPECT_EQ(marked, saturated); }
                }
                std::vector<std::size_t> seedMarks;  // the preview's own blocks, cut into the fit view's tiles
                EXPECT_EQ(assembled(tilesOfPreview(preview, tileBlocks), maker.layout(plain.side), c, seedMarks).means, plain.means);
                const ChannelFigures& figures = preview.channels[c].figures;
                EXPECT_EQ(figures.minimum, *std::min_element(written.pixels.begin(), written.pixels.end()));
                EXPECT_EQ(figures.maximum, *std::max_element(written.pixels.begin(), written.pixels.end()));
                EXPECT_EQ(figures.saturated, static_cast<std::uint64_t>(std::count(written.pixels.begin(), written.pixels.end(), 0xFFFF)));
                double sum = 0;
                for (const std::uint16_t sample : written.pixels) sum += sample;
                EXPECT_DOUBLE_EQ(figures.mean, sum / static_cast<double>(written.pixels.size()));
                const std::uint32_t step = shape.height < 4096 ? 1 : 8;  // the scan's rows the histogram counts
                std::array<std::uint32_t, 256> histogram{};
                for (std::size_t i = 0; i < builder.samples[c].size(); ++i)
                    if (i / shape.width % step == 0) ++histogram[builder.samples[c][i] >> 8];
                EXPECT_EQ(std::make_pair(figures.histogram, figures.histogramRowStep), std::make_pair(histogram, step));
            }
        }
    }
}

// 1.2 GB of zeros left as holes of a sparse file, with one sample at 65535 (in channel 1, near
// the written image's middle): counted, and marked on its channel and on the composite alone.
TEST(Preview, OneSaturatedSampleInATenThousandByThirtyThousandChannelIsCountedAndMarked) {
    constexpr std::uint32_t width = 10000, height = 30000, row = 14999, column = 4321;
    const TemporaryFolder folder;
    Layout layout;
    const fs::path input = ScanBuilder::sparse(width, height).write(folder / "slide.tif", &layout);
    std::fstream(input, std::ios::in | std::ios::out | std::ios::binary).seekp(layout.pixelOffsets[1] + 2 * (std::streamoff{row} * width + column)).write("\xFF\xFF", 2);

    const ScanPreview preview = previewScan(input.string(), {512, 512, true, false});
    EXPECT_EQ(preview.channels[0].figures.saturated, 0u);
    EXPECT_EQ(preview.channels[1].figures.saturated, 1u);
    EXPECT_EQ(preview.channels[1].figures.maximum, 0xFFFF);
    // Flipped along the opposite diagonal, the sample stands in row width-1-column, column height-1-row.
    const std::size_t marked = std::size_t{(width - 1 - column) / preview.grid.side} * preview.grid.columns + (height - 1 - row) / preview.grid.side;
    for (const RgbImage& picture : {channelPicture(preview, 1, ToneCurve::linear), compositePicture(preview, ToneCurve::logarithmic)})
        EXPECT_EQ(markedPixels(picture), std::vector<std::size_t>{marked});
    EXPECT_EQ(std::count(preview.channels[0].maxima.begin(), preview.channels[0].maxima.end(), 0), std::ssize(preview.channels[0].maxima));
}

// A slide of spots, a few of them saturated: the blue pixels come to half to twice the share of
// saturated samples, in each channel's picture and the composite, at two sizes.
TEST(Preview, SaturationMarksComeToTheSaturatedShareOfASlideWithSpots) {
    constexpr std::uint32_t width = 2000, height = 6000;
    const TemporaryFolder folder;
    const std::string input = (folder / "slide.tif").string();
    bench::writeScanFile(input, {width, height, false, true});
    std::uint64_t inEither = 0;
    for (std::uint32_t r = 0; r < height; ++r)
        for (std::uint32_t c = 0; c < width; ++c) inEither += bench::spotSample(0, r, c) == 0xFFFF || bench::spotSample(1, r, c) == 0xFFFF;
    for (const std::uint32_t box : {PreviewRequest::largestBox, 200u}) {
        const ScanPreview preview = previewScan(input, {box, box, true, true});
        const auto shareOf = [&](const RgbImage& picture) { return static_cast<double>(markedPixels(picture).size()) / (picture.width * picture.height); };
        const double shares[][2] = {{shareOf(channelPicture(preview, 0, ToneCurve::linear)), preview.channels[0].figures.saturatedShare()},
                                    {shareOf(channelPicture(preview, 1, ToneCurve::linear)), preview.channels[1].figures.saturatedShare()},
                                    {shareOf(compositePicture(preview, ToneCurve::linear)), static_cast<double>(inEither) / (width * height)}};
        for (const auto& [marked, saturated] : shares)
            EXPECT_TRUE(saturated > 0 && marked >= saturated / 2 && marked <= saturated * 2) << box << ": " << marked << " for " << saturated;
    }
}

// From fit to 8 : 1 and back, each step keeps the sample under the pointer where it was; at every
// scale the value under a point is the written file's: its samples at 1 : 1 and above, below the
// mean and maximum of its block.
TEST(Preview, ZoomKeepsThePointUnderThePointerAndTellsTheWrittenFilesValues) {
    const TemporaryFolder folder;
    const std::string input = ScanBuilder::scan(300, 70).write(folder / "scan.tif").string();
    RecordingHost host;
    RecordingPlatform platform(host);
    host.options = {"", true, true, false};
    host.inputs = {input};
    ASSERT_TRUE(SplitRun(host, platform).succeeded());
    const TiffReadBack written[] = {readTiff(folder / "Redscan_FlippedULtoLR.tif"), readTiff(folder / "Greenscan_FlippedULtoLR.tif")};

    const ScanPreview preview = previewScan(input, {32, 32, true, false});
    const TileMaker maker(input, preview.flip, 4);
    ZoomView view(preview.width, preview.height, preview.grid.side, 4);
    view.resize(40, 30);
    TileCache cache;
    const double anchorX = view.sampleX(20), anchorY = view.sampleY(15);
    const auto checkValues = [&] {
        SCOPED_TRACE(view.scale().pixelsPerSample);
        EXPECT_NEAR(view.sampleX(20), anchorX, 1e-9);
        EXPECT_NEAR(view.sampleY(15), anchorY, 1e-9);
        for (const TileKey& key : view.visibleTiles()) cache.insert(std::make_shared<const ViewTile>(maker.make(key)));
        for (const auto& [x, y] : {std::pair{0.0, 0.0}, {20.0, 15.0}, {39.5, 29.5}, {7.0, 22.0}}) {
            const std::optional<PointValue> value = valueAt(view, cache, x, y, 5, 5);
            const bool inside = view.sampleX(x) >= 0 && view.sampleX(x) < 70 && view.sampleY(y) >= 0 && view.sampleY(y) < 300;
            ASSERT_EQ(value.has_value(), inside);
            if (!inside) continue;
            EXPECT_TRUE(value->known);
            EXPECT_EQ(std::make_pair(value->column, value->row), std::make_pair(static_cast<std::uint32_t>(view.sampleX(x)), static_cast<std::uint32_t>(view.sampleY(y))));
            for (int c = 0; c < 2; ++c) {
                const PlainReduction plain = reducedPlainly(written[c], view.scale().side);
                const std::size_t block = std::size_t{value->row / plain.side} * plain.columns + value->column / plain.side;
                EXPECT_EQ(std::make_pair(value->means[c], value->maxima[c]), std::make_pair(plain.means[block], plain.maxima[block]));
            }
        }
    };
    // The picture of the view at fit, 16 pixels high at most: blocks of 19, one a pixel.
    const ToneLevels levels[] = {toneLevels(preview.channels[0].valueCounts, ToneCurve::linear), toneLevels(preview.channels[1].valueCounts, ToneCurve::linear)};
    const RgbImage saved = regionPicture(maker, view, 16, levels[0], levels[1], nullptr);
    ASSERT_EQ(std::make_pair(saved.width, saved.height), std::make_pair(4u, 16u));
    const PlainReduction red = reducedPlainly(written[0], 19), green = reducedPlainly(written[1], 19);
    for (std::size_t i = 0; i < red.means.size(); ++i)
        EXPECT_EQ(Rgb({saved.pixels[3 * i], saved.pixels[3 * i + 1], saved.pixels[3 * i + 2]}), Rgb({levels[0][red.means[i]], levels[1][green.means[i]], 0})) << i;
    int steps = 0;
    for (checkValues(); view.zoomIn(20, 15); checkValues()) ++steps;
    EXPECT_EQ(view.scale().pixelsPerSample, ZoomView::largestMagnification);
    while (view.zoomOut(20, 15)) --steps;
    EXPECT_TRUE(view.atFit() && steps == 0) << steps;
}

// A preview asked to stop ends without a result; a picture that cannot be written names its file.
TEST(Preview, StopsWhenAskedAndAPictureThatCannotBeWrittenIsRefused) {
    const TemporaryFolder folder;
    const std::string input = ScanBuilder::scan(7, 5).write(folder / "scan.tif").string();
    const std::atomic<bool> stop{true};
    EXPECT_THROW(previewScan(input, {}, &stop), PreviewStopped);

    const std::string picture = (folder / "missing" / "scan.png").string();
    std::string refusal;
    try {
        writePicture(picture, compositePicture(previewScan(input, {}), ToneCurve::linear), input);
    } catch (const UserException& failure) {
        refusal = failure.message;
    }
    EXPECT_EQ(refusal.rfind(picture + " : ", 0), 0u) << refusal;
    EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"scan.tif"});
}

}  // namespace
}  // namespace quillane
