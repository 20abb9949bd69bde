// Writing a channel: what libtiff reads back, what the writer refuses, and how the file layer's
// failures reach the user while an existing output stays as it was.
#include "output/ChannelScan.h"
#include "output/Flip.h"
#include "platform/OutputFile.h"
#include "platform/SystemError.h"
#include "scan/UserException.h"
#include "support/ScanBuilder.h"
#include "support/TiffReadBack.h"

#include <gtest/gtest.h>

#include <cerrno>

#include <csignal>
#include <functional>
#include <optional>

#ifndef _WIN32
#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace quillane {
namespace {

using namespace testing;

std::string writeFailure(ChannelWriter& writer, const std::string& path, int channel) {
    try {
        writer.writeChannel(path, channel);
    } catch (const UserException& failure) {
        return failure.message;
    }
    return "(written)";
}

// Only the file-size-limit test names files this way, and Windows has no such limit.
#ifndef _WIN32
std::string fullPath(const std::filesystem::path& path) { return std::filesystem::absolute(path).string(); }
#endif

TEST(ChannelWriter, FilesReadBackThroughLibtiffWithEveryPixel) {
    const struct {
        std::uint32_t width, height;
        int channel;
        double pixelSizeX, pixelSizeY;
        float xResolution, yResolution;
    } cases[] = {
        {1000, 500, 0, 5.0, 0.0, 2000, 1000},
        {3, 4, 1, 10.0, 5.9, 1000, 10000000.0f / 5900},
        {1, 7, 0, 0.5, 1.0, 20000, 10000},
        {5, 1, 1, 2.0, 2.0, 5000, 5000},   // strip offset and byte count inline
        {5, 2, 0, 2.0, 2.0, 5000, 5000},   // two SHORT byte counts inline
        {40000, 3, 0, -1.0, std::numeric_limits<double>::infinity(), 1000, 1000},  // LONG byte counts
        {32768, 1, 1, 3.0, 3.0, 10000.0f / 3, 10000.0f / 3},                        // one LONG count inline
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        TemporaryFolder folder;
        ChannelScan source(c.width, c.height);
        source.scan.scannerRecord.pixelSizeX = c.pixelSizeX;
        source.scan.scannerRecord.pixelSizeY = c.pixelSizeY;
        const auto path = folder / "out.tif";
        source.writer.writeChannel(path.string(), c.channel);
        EXPECT_FALSE(source.writer.holdsFile(c.channel));
        EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"out.tif"});

        const TiffReadBack tiff = readTiff(path);
        ASSERT_TRUE(tiff.opened);
        EXPECT_EQ(unexpectedMessages(tiff, source.scan.dateTime), std::vector<std::string>{});
        EXPECT_EQ(tiff.directoryCount, 1);
        EXPECT_EQ(tiff.width, c.width);
        EXPECT_EQ(tiff.height, c.height);
        EXPECT_EQ(tiff.bitsPerSample, 16);
        EXPECT_EQ(tiff.samplesPerPixel, 1);
        EXPECT_EQ(tiff.resolutionUnit, 3);
        EXPECT_FLOAT_EQ(tiff.xResolution, c.xResolution);
        EXPECT_FLOAT_EQ(tiff.yResolution, c.yResolution);
        EXPECT_EQ(tiff.pageName, c.channel == 0 ? "Red" : "Green");
        EXPECT_EQ(firstMismatches(source.pixels[c.channel], tiff.pixels, c.width), "");
    }
}

// The samples of a parsed scan start wherever the input put them, here at odd offsets; a flip
// as the split run does it gives a transposed file whose resolutions follow its axes.
TEST(ChannelWriter, WritesParsedChannelsFromOddAddressesAndAfterAFlip) {
    TemporaryFolder folder;
    auto builder = ScanBuilder::scan(37, 23);
    builder.oddPixelOffsets = true;
    builder.pixelSize(4.0, 8.0);
    const auto input = builder.write(folder / "scan.tif");
    ScanImage scan;
    ChannelWriter writer(scan);
    scan.open(input.string());
    scan.parse();
    ASSERT_EQ(reinterpret_cast<std::uintptr_t>(scan.channels[0].pixels()) % 2, 1u);

    for (int c = 0; c < 2; ++c) {
        const auto path = folder / ("plain" + std::to_string(c) + ".tif");
        writer.writeChannel(path.string(), c);
        const TiffReadBack tiff = readTiff(path);
        EXPECT_EQ(unexpectedMessages(tiff, scan.dateTime), std::vector<std::string>{});
        EXPECT_EQ(firstMismatches(builder.samples[static_cast<std::size_t>(c)], tiff.pixels, 37), "") << "channel " << c;
    }

    ChannelBuffer flipped;
    auto* destination = static_cast<std::uint16_t*>(flipped.allocate(2, scan.channels[0].pixelCount()));
    flipChannel(scan, Diagonal::main, destination, scan.channels[0].samples.data);
    scan.channels[0].samples.data = destination;
    scan.channels[0].samples.owns = true;
    flipped.samples.data = nullptr;
    flipped.samples.count = 0;
    flipped.samples.owns = false;
    scan.exchangeAxes();

    const auto path = folder / "flipped.tif";
    writer.writeChannel(path.string(), 0);
    const TiffReadBack tiff = readTiff(path);
    EXPECT_EQ(unexpectedMessages(tiff, scan.dateTime), std::vector<std::string>{});
    EXPECT_EQ(tiff.width, 23u);
    EXPECT_EQ(tiff.height, 37u);
    // Rows now run down the input's 8 µm columns, columns along its 4 µm rows.
    EXPECT_FLOAT_EQ(tiff.xResolution, 1250);
    EXPECT_FLOAT_EQ(tiff.yResolution, 2500);
    std::vector<std::uint16_t> transposed(37 * 23);
    for (std::uint32_t r = 0; r < 23; ++r)
        for (std::uint32_t c = 0; c < 37; ++c) transposed[c * 23 + r] = ScanBuilder::patternSample(0, r, c);
    EXPECT_EQ(firstMismatches(transposed, tiff.pixels, 23), "");
}

// A date in TIFF's own 19-character form fills the field exactly; a longer text is cut to 20 bytes.
TEST(ChannelWriter, DatesReadBackAsStoredInTheirTwentyBytes) {
    TemporaryFolder folder;
    const struct {
        std::string dateTime;
        std::string readBack;
    } cases[] = {
        {"2024:05:06 07:08:09", "2024:05:06 07:08:09"},
        {"2024:05:06 07:08:09 local time", "2024:05:06 07:08:09 "},
    };
    for (const auto& c : cases) {
        ChannelScan source(4, 3);
        source.scan.dateTime = c.dateTime;
        const auto path = folder / "dated.tif";
        source.writer.writeChannel(path.string(), 0);
        const TiffReadBack tiff = readTiff(path);
        EXPECT_EQ(unexpectedMessages(tiff, c.dateTime), std::vector<std::string>{}) << c.dateTime;
        EXPECT_EQ(tiff.dateTime, c.readBack);
    }
}

TEST(ChannelWriter, PageNameFollowsTheRecordedColourOrElseTheChannel) {
    const struct {
        int channel;
        std::int32_t colour;
        const char* pageName;
    } cases[] = {
        {0, 0, "Red"}, {1, 1, "Green"}, {0, 3, "Yellow"}, {1, 2, "Purple"}, {1, 0, "Red"},
        {0, 7, "Red"}, {1, -1, "Green"}, {1, 4, "Green"}, {0, INT32_MIN, "Red"},
    };
    TemporaryFolder folder;
    for (const auto& c : cases) {
        ChannelScan source(4, 3);
        source.scan.scannerRecord.channelColour[c.channel] = c.colour;
        const auto path = folder / "page.tif";
        source.writer.writeChannel(path.string(), c.channel);
        const TiffReadBack tiff = readTiff(path);
        EXPECT_EQ(unexpectedMessages(tiff, source.scan.dateTime), std::vector<std::string>{});
        EXPECT_EQ(tiff.pageName, c.pageName) << "channel " << c.channel << ", colour " << c.colour;
    }
}

TEST(ChannelWriter, NewSubfileTypeMarksAPageOfAMultiChannelScan) {
    TemporaryFolder folder;
    for (const auto& [channelCount, type] : {std::pair{2, 2u}, {1, 2u}, {4, 2u}, {-3, 2u}, {0, 0u}}) {
        ChannelScan source(2, 2);
        source.scan.scannerRecord.channelCount = channelCount;
        const auto path = folder / "type.tif";
        source.writer.writeChannel(path.string(), 0);
        const auto file = readFile(path);
        EXPECT_EQ(get16(file, 10), 254);
        EXPECT_EQ(get32(file, 18), type) << "channel count " << channelCount;
    }
}

TEST(ChannelWriter, RefusesAChannelWithoutSamplesBeforeMakingAFile) {
    TemporaryFolder folder;
    const std::string path = (folder / "Green.tif").string();

    ChannelScan missing(3, 4);
    missing.scan.channels[1].samples.data = nullptr;
    missing.scan.channels[1].samples.count = 0;
    EXPECT_EQ(writeFailure(missing.writer, path, 1), path + " : This scan holds no image data for this channel");
    EXPECT_FALSE(missing.writer.holdsFile(1));

    ChannelScan shorter(3, 4);
    shorter.scan.channels[1].samples.count = 11;
    EXPECT_EQ(writeFailure(shorter.writer, path, 1), path + " : This channel holds fewer samples than its image needs");

    // A buffer whose count was never set is taken to hold the image.
    ChannelScan uncounted(3, 4);
    uncounted.scan.channels[1].samples.count = 0;
    EXPECT_NO_THROW(uncounted.writer.writeChannel((folder / "uncounted.tif").string(), 1));
    std::filesystem::remove(folder / "uncounted.tif");

    ChannelScan empty(3, 4);
    empty.scan.width = 0;
    EXPECT_EQ(writeFailure(empty.writer, path, 1), path + " : This scan holds no image data for this channel");

    EXPECT_TRUE(namesIn(folder.path()).empty());
}

TEST(ChannelWriter, ReplacesAnExistingOutputWhole) {
    TemporaryFolder folder;
    const auto path = folder / "Red.tif";
    writeFile(path, std::vector<std::uint8_t>(5000, 0xAB));
    const auto permissions = std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                             std::filesystem::perms::group_read;
    std::filesystem::permissions(path, permissions);
    ChannelScan source(3, 4);
    source.writer.writeChannel(path.string(), 0);
    EXPECT_EQ(readFile(path).size(), 422u);
    EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"Red.tif"});
#ifndef _WIN32
    // Windows files have no permission bits beyond read-only, which a replaced output never has.
    EXPECT_EQ(std::filesystem::status(path).permissions(), permissions);
#endif
}

// --- Failures of the file layer -------------------------------------------------------------

class ChannelWriterFailure : public ::testing::Test {
protected:
    TemporaryFolder folder;
    ChannelScan source{1000, 500};
    const std::vector<std::uint8_t> previous = std::vector<std::uint8_t>(100, 0x5A);

    // An output already in place, which a failed write must leave as it was.
    std::string existingOutput(const std::filesystem::path& path) {
        writeFile(path, previous);
        return path.string();
    }
};

TEST_F(ChannelWriterFailure, MissingFolderIsAnInvalidPathAndLeavesTheSlotEmpty) {
    const std::string path = (folder / "missing" / "Red.tif").string();
    EXPECT_EQ(writeFailure(source.writer, path, 0), path + " : " + path + " contains an invalid path.");
    EXPECT_FALSE(source.writer.holdsFile(0));
#ifndef _WIN32
    // A name longer than the system takes says so, in its words (Windows: WindowsOutput).
    const std::string tooLong = (folder / std::string(300, 'n')).string();
    EXPECT_EQ(writeFailure(source.writer, tooLong, 0), tooLong + " : " + systemErrorText(ENAMETOOLONG));
#endif
    EXPECT_TRUE(namesIn(folder.path()).empty());
}

// Whether `text` is whole UTF-8: no sequence cut in two.
bool wholeUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t width = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
        if (width == 0 || i + width > text.size()) return false;
        for (std::size_t k = 1; k < width; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        i += width;
    }
    return true;
}

// The file layer's text keeps within the 255 characters it always had, but never by losing its
// reason: a name too long for it is shortened in its middle, between whole characters. The
// message still begins with the whole name.
TEST_F(ChannelWriterFailure, FileLayerTextKeepsItsReasonWithin255Characters) {
    const std::string reason = " contains an invalid path.";
    const std::string start = (folder / "missing").string();
    const std::size_t fixed = start.size() + std::string("/Red.tif").size() + reason.size() + 1;
    struct Case {
        std::string what;
        std::string folderName;
    };
    std::vector<Case> cases = {{"just fits", std::string(255 - fixed, 'a')},
                               {"one over", std::string(256 - fixed, 'a')}};
#ifndef _WIN32  // on Windows such paths are over MAX_PATH, and refused as too long
    cases.push_back({"300", std::string(300, 'a')});
    cases.push_back({"3000", std::string(3000, 'a')});
    std::string japanese;
    for (int i = 0; i < 100; ++i) japanese += "\xE6\x97\xA5";  // U+65E5 in UTF-8
    cases.push_back({"three-byte characters", japanese});
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = (folder / "missing" / c.folderName / "Red.tif").string();
        const std::string message = writeFailure(source.writer, path, 0);
        ASSERT_EQ(message.substr(0, path.size() + 3), path + " : ");
        const std::string text = message.substr(path.size() + 3);
        EXPECT_LE(text.size(), 255u);
        EXPECT_EQ(text.substr(text.size() - std::min(text.size(), reason.size())), reason);
        if (path.size() + reason.size() <= 255) {
            EXPECT_EQ(text, path + reason);
        } else {
            EXPECT_GE(text.size(), 250u) << "shortened no more than it must";
            EXPECT_EQ(text.substr(0, start.size()), start);
            EXPECT_NE(text.find("..."), std::string::npos);
            EXPECT_EQ(text.substr(text.size() - reason.size() - 7, 7), "Red.tif");
        }
        EXPECT_TRUE(wholeUtf8(text));
    }
}

// Runs `attempt` where folder permissions hold: here for an ordinary user, and for root in a
// child process that first drops to the unprivileged "nobody". None when that cannot be done.
std::optional<std::string> withoutPrivileges(const std::function<std::string()>& attempt) {
#ifdef _WIN32
    // A read-only file refuses writing to every user, so nothing has to be given up.
    return attempt();
#else
    if (::geteuid() != 0) return attempt();
    int channel[2];
    if (::pipe(channel) != 0) return std::nullopt;
    const pid_t child = ::fork();
    if (child < 0) return std::nullopt;
    if (child == 0) {
        ::close(channel[0]);
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
        std::string result;
        try {
            result = attempt();
        } catch (...) {
            result = "(unexpected failure)";
        }
        const bool sent = ::write(channel[1], result.data(), result.size()) == static_cast<ssize_t>(result.size());
        ::_exit(sent ? 0 : 3);
    }
    ::close(channel[1]);
    std::string result;
    char buffer[512];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;) result.append(buffer, static_cast<std::size_t>(n));
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return result;
#endif
}

TEST_F(ChannelWriterFailure, ReadOnlyFolderIsAccessDeniedAndKeepsTheExistingOutput) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows folders have no permission bits; a read-only folder still takes new files";
#else
    const auto locked = folder / "locked";
    std::filesystem::create_directory(locked);
    const std::string path = existingOutput(locked / "Red.tif");
    std::filesystem::permissions(locked, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                                             std::filesystem::perms::group_read | std::filesystem::perms::group_exec |
                                             std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
    const auto message = withoutPrivileges([&] {
        const std::string text = writeFailure(source.writer, path, 0);
        return source.writer.holdsFile(0) ? text + " (slot held)" : text;
    });
    if (message) {
        EXPECT_EQ(*message, path + " : Access to " + path + " was denied.");
        EXPECT_EQ(readFile(path), previous);
        EXPECT_EQ(namesIn(locked), std::vector<std::string>{"Red.tif"});
        return;
    }
    // No unprivileged user to be: a file system that refuses every new file will do.
    const std::string refused = "/sys/quillane-output-test.tif";
    const std::string text = writeFailure(source.writer, refused, 0);
    if (text == "(written)" || std::filesystem::exists(refused)) GTEST_SKIP() << "no folder here refuses a new file";
    EXPECT_EQ(text, refused + " : Access to " + refused + " was denied.");
    EXPECT_FALSE(source.writer.holdsFile(0));
#endif
}

TEST_F(ChannelWriterFailure, WriteProtectedOutputIsAccessDeniedAndKeptAsItWas) {
    const auto open = folder / "open";
    std::filesystem::create_directory(open);
    std::filesystem::permissions(open, std::filesystem::perms::all);
    const std::string path = existingOutput(open / "Red.tif");
    std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                           std::filesystem::perms::others_read);
    const auto message = withoutPrivileges([&] { return writeFailure(source.writer, path, 0); });
    if (!message) GTEST_SKIP() << "no unprivileged user to be";
    EXPECT_EQ(*message, path + " : Access to " + path + " was denied.");
    EXPECT_EQ(readFile(path), previous);
    EXPECT_EQ(namesIn(open), std::vector<std::string>{"Red.tif"});
}

#ifndef _WIN32
// Lowers the largest file this process may write, the way a nearly full disk stops a write
// part-way; the limit and the signal's handling come back with the object.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        if (::getrlimit(RLIMIT_FSIZE, &previous_) != 0) return;
        rlimit lowered = previous_;
        lowered.rlim_cur = bytes;
        active_ = ::setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit() {
        if (active_) ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool active() const { return active_; }

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = SIG_DFL;
    bool active_ = false;
};

#endif

TEST_F(ChannelWriterFailure, FullDiskIsReportedWithTheFullPathAndKeepsTheExistingOutput) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no file size limit to lower; the full disk is made through the fault seam there";
#else
    const std::string path = existingOutput(folder / "Red.tif");
    std::string message;
    {
        FileSizeLimit limit(64 * 1024);
        if (!limit.active()) GTEST_SKIP() << "the file size limit cannot be lowered here";
        message = writeFailure(source.writer, path, 0);
    }
    const std::string full = fullPath(path);
    EXPECT_EQ(message, full + " : Disk full while accessing " + full + ".");
    EXPECT_EQ(readFile(path), previous);
    EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"Red.tif"});

    // The failed file's object stays until the writer lets go of it.
    EXPECT_TRUE(source.writer.holdsFile(0));
    source.writer.abandonFiles();
    EXPECT_FALSE(source.writer.holdsFile(0));
    EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"Red.tif"});
#endif
}

TEST_F(ChannelWriterFailure, FailedReplaceIsReportedLikeACreationFailure) {
    // A folder where the output should go: everything is written, then the rename is refused.
    const auto path = folder / "Red.tif";
    std::filesystem::create_directory(path);
    existingOutput(path / "inside.txt");
    EXPECT_EQ(writeFailure(source.writer, path.string(), 0), path.string() + " : Access to " + path.string() + " was denied.");
    EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"Red.tif"});
    EXPECT_EQ(readFile(path / "inside.txt"), previous);
    EXPECT_TRUE(source.writer.holdsFile(0));
}

}  // namespace
}  // namespace quillane
