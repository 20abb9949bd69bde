// Directory chains that loop back, under a record that claims a huge number of channels: a
// scan holds at most four channels, so the walk stops there and the split run finishes, writing
// channels 0 and 1 from the directories the chain gives them.
#include "split/RecordingHost.h"
#include "split/SplitRun.h"
#include "support/Expectations.h"
#include "support/ScanBuilder.h"
#include "support/TiffReadBack.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>
#include <vector>

namespace quillane {
namespace {

using namespace testing;
namespace fs = std::filesystem;

TEST(LoopingChain, SplitRunEndsAndWritesTheChannelsTheChainGives) {
    struct Case {
        const char* what;
        int directories;
        std::size_t loopingDirectory;  // whose next-directory offset is bent back
        std::size_t target;            // to this earlier directory
        std::int32_t channelCount;
        int secondChannelDirectory;    // where channel 1's samples come from
    };
    const Case cases[] = {
        {"second directory back to the first", 2, 1, 0, INT32_MAX, 1},
        {"first directory onto itself", 2, 0, 0, INT32_MAX, 0},
        {"third directory back to the second", 3, 2, 1, 1000000, 1},
        {"second directory onto itself", 2, 1, 1, 5, 1},
    };
    constexpr std::uint32_t width = 6;
    constexpr std::uint32_t height = 4;
    for (const Case& c : cases) {
        for (const bool flip : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (flip ? ", flipped" : ""));
            TemporaryFolder folder;
            Layout layout;
            auto bytes = ScanBuilder::scan(width, height, c.directories).recordChannelCount(c.channelCount).build(&layout);
            put32(bytes, layout.nextOffsetField(bytes, c.loopingDirectory), layout.directoryOffsets[c.target]);
            const fs::path input = folder / "loop.tif";
            writeFile(input, bytes);

            RecordingHost host;
            RecordingPlatform platform(host);
            host.inputs = {input.string()};
            host.options.flip = flip;
            host.options.mainDiagonal = true;
            SplitRun(host, platform);

            ASSERT_TRUE(host.called("message Done!: Successfully created files ")) << host.calls.back();
            const std::string suffix = flip ? "_FlippedLLtoUR" : "";
            const TiffReadBack red = readTiff(folder / ("Redloop" + suffix + ".tif"));
            const TiffReadBack green = readTiff(folder / ("Greenloop" + suffix + ".tif"));
            EXPECT_EQ(red.width, flip ? height : width);
            EXPECT_EQ(red.height, flip ? width : height);
            const auto expected = [&](int directory) {
                return flip ? reflectedPatternImage(directory, width, height, true) : patternImage(directory, width, height);
            };
            EXPECT_EQ(red.pixels, expected(0));
            EXPECT_EQ(green.pixels, expected(c.secondChannelDirectory));
        }
    }
}

}  // namespace
}  // namespace quillane
