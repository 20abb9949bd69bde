// The whole split of one input through the split run, and every promise it makes checked
// against libtiff, a reader that shares nothing with ours.
#include "SplitCheck.h"

#include "FuzzInput.h"
#include "platform/Process.h"
#include "scan/LittleEndian.h"
#include "scan/ScanImage.h"
#include "scan/UserException.h"
#include "split/SplitRun.h"

#include <tiffio.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace quillane::fuzz {

namespace {

[[noreturn]] void violated(const std::string& what) {
    std::fprintf(stderr, "split fuzzer: %s\n", what.c_str());
    std::abort();
}

// A window stand-in listing one input and keeping what the run last told it.
class OneInputHost final : public SplitHost, public ProgressSink {
public:
    SplitOptions options;
    std::string input;
    std::string message;
    std::string caption;
    int position = -1;
    int messages = 0;

    SplitOptions readOptions() override { return options; }
    int inputCount() override { return 1; }
    std::string inputPath(int) override { return input; }
    void selectInput(int) override {}
    void setStatusText(const std::string&) override {}
    void redrawNow() override {}
    void showMessage(const std::string& text, const std::string& title) override {
        message = text;
        caption = title;
        ++messages;
    }
    void beginWaitCursor() override {}
    void endWaitCursor() override {}
    ProgressSink& progress() override { return *this; }
    void setRange(int, int) override {}
    void setPosition(int pos) override { position = pos; }
};

// The process's own current directory, and no pause after each file.
class NoPausePlatform final : public SplitPlatform {
public:
    std::string currentDirectory() override { return quillane::currentDirectory(); }
    bool changeDirectory(const std::string& path) override { return quillane::changeDirectory(path); }
    void pause(int) override {}
};

}  // namespace

std::optional<Source> readSource(const std::string& path) {
    ScanImage scan;
    try {
        scan.open(path);
        scan.parse();
    } catch (const UserException&) {
        return std::nullopt;
    }
    if (scan.scannerRecord.channelCount < 2) return std::nullopt;
    Source source;
    source.width = static_cast<std::uint32_t>(scan.width);
    source.height = static_cast<std::uint32_t>(scan.height);
    const std::string* texts[] = {&scan.description, &scan.make, &scan.model, &scan.software, &scan.artist, &scan.hostComputer};
    for (std::size_t t = 0; t < std::size(texts); ++t) source.texts[t] = *texts[t];
    source.pixelSizeX = scan.scannerRecord.pixelSizeX;
    source.pixelSizeY = scan.scannerRecord.pixelSizeY;
    const std::size_t count = std::size_t{source.width} * source.height;
    for (int c = 0; c < 2; ++c) {
        const auto* bytes = static_cast<const std::uint8_t*>(scan.channels[c].pixels());
        if (bytes == nullptr) violated("an accepted scan lacks channel " + std::to_string(c));
        source.channels[c].resize(count);
        for (std::size_t i = 0; i < count; ++i) source.channels[c][i] = le::load16(bytes + 2 * i);
    }
    return source;
}

namespace {

// The channel as it must come out: width × height as stored, or reflected into height × width.
std::vector<std::uint16_t> expectedPixels(const std::vector<std::uint16_t>& samples, std::uint32_t width, std::uint32_t height, Flip flip) {
    if (flip == Flip::none) return samples;
    std::vector<std::uint16_t> out(samples.size());
    for (std::uint32_t r = 0; r < height; ++r)
        for (std::uint32_t c = 0; c < width; ++c) {
            const std::size_t at = flip == Flip::mainDiagonal ? std::size_t{c} * height + r
                                                              : std::size_t{width - 1 - c} * height + (height - 1 - r);
            out[at] = samples[std::size_t{r} * width + c];
        }
    return out;
}

// The resolution a pixel size must give: 10000 over whole micrometres, 10000000 over the
// nanometres of any other size while they fit 32 bits, 10000 over 10 when it is unknown.
double expectedResolution(double micrometres) {
    if (micrometres >= 1.0 && micrometres < 4294967296.0) {
        const double nanometres = std::round(micrometres * 1000.0);
        if (micrometres != std::trunc(micrometres) && nanometres <= 4294967295.0) return 10000000.0 / nanometres;
        return 10000.0 / std::trunc(micrometres);
    }
    if (micrometres > 0.0 && micrometres < 1.0 && std::round(micrometres * 1000.0) >= 1.0)
        return 10000000.0 / std::round(micrometres * 1000.0);
    return 1000.0;
}

void checkTexts(TIFF* tiff, const std::string& file, const Source& source) {
    const ttag_t tags[] = {TIFFTAG_IMAGEDESCRIPTION, TIFFTAG_MAKE, TIFFTAG_MODEL, TIFFTAG_SOFTWARE, TIFFTAG_ARTIST, TIFFTAG_HOSTCOMPUTER};
    for (std::size_t t = 0; t < std::size(tags); ++t) {
        char* value = nullptr;
        if (!TIFFGetField(tiff, tags[t], &value) || value == nullptr || source.texts[t] != value)
            violated(file + " does not carry text " + std::to_string(tags[t]) + " of the input");
    }
}

void checkResolution(TIFF* tiff, const std::string& file, double across, double down) {
    float x = 0;
    float y = 0;
    std::uint16_t unit = 0;
    TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &x);
    TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &y);
    TIFFGetField(tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
    const auto near = [](float stored, double wanted) { return std::fabs(stored - wanted) <= 1e-6 * wanted; };
    if (unit != 3 || !near(x, expectedResolution(across)) || !near(y, expectedResolution(down)))
        violated(file + " has resolution " + std::to_string(x) + " x " + std::to_string(y));
}

void checkChannelFile(const std::string& file, std::uint32_t width, std::uint32_t height, const std::vector<std::uint16_t>& expected,
                      const Source& source, bool flipped) {
    const std::unique_ptr<TIFF, void (*)(TIFF*)> tiff(TIFFOpen(file.c_str(), "r"), TIFFClose);
    if (!tiff) violated("libtiff cannot open " + file);
    std::uint32_t storedWidth = 0;
    std::uint32_t storedHeight = 0;
    std::uint16_t bits = 0;
    std::uint16_t samplesPerPixel = 0;
    TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &storedWidth);
    TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &storedHeight);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, &samplesPerPixel);
    if (storedWidth != width || storedHeight != height || bits != 16 || samplesPerPixel != 1)
        violated(file + " is " + std::to_string(storedWidth) + " x " + std::to_string(storedHeight) + ", " +
                 std::to_string(bits) + " bits, not " + std::to_string(width) + " x " + std::to_string(height));
    checkTexts(tiff.get(), file, source);
    // After a flip, rows run down the input's columns.
    checkResolution(tiff.get(), file, flipped ? source.pixelSizeY : source.pixelSizeX, flipped ? source.pixelSizeX : source.pixelSizeY);
    std::vector<std::uint16_t> row(width);
    for (std::uint32_t r = 0; r < height; ++r) {
        if (TIFFReadScanline(tiff.get(), row.data(), r) < 0) violated("libtiff cannot read row " + std::to_string(r) + " of " + file);
        for (std::uint32_t c = 0; c < width; ++c)
            if (row[c] != expected[std::size_t{r} * width + c])
                violated(file + " differs at row " + std::to_string(r) + ", column " + std::to_string(c));
    }
}

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) violated("cannot list " + folder);
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    return names;
}

// The lowest free descriptor: it climbs when a run leaves a file open.
int lowestFreeDescriptor() {
    const int probe = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (probe < 0) violated("cannot open /dev/null");
    ::close(probe);
    return probe;
}

}  // namespace

void splitAndCheck(const std::string& input, const std::optional<Source>& source, Flip flip) {
    static const std::string outputs = [] {
        const std::string folder = scratchFolder() + "/out";
        if (::mkdir(folder.c_str(), 0700) != 0) violated("cannot make " + folder);
        return folder;
    }();
    static const std::string startDirectory = quillane::currentDirectory();
    // Taken afresh each time: libFuzzer itself opens and closes files between runs.
    const int freeDescriptor = lowestFreeDescriptor();

    OneInputHost host;
    host.input = input;
    host.options.outputFolder = outputs;
    host.options.flip = flip != Flip::none;
    host.options.mainDiagonal = flip == Flip::mainDiagonal;
    NoPausePlatform platform;
    SplitRun(host, platform);

    if (host.messages != 1 || host.position != 0) violated("the run must end with one message and the bar at 0");
    if (quillane::currentDirectory() != startDirectory) violated("the run left the current directory changed");
    if (lowestFreeDescriptor() != freeDescriptor) violated("the run left a descriptor open");
    const std::vector<std::string> left = namesIn(outputs);

    if (host.caption != "Done!") {
        if (host.caption != "Cannot Split this tiff" || host.message.empty())
            violated("unexpected message \"" + host.message + "\" captioned \"" + host.caption + "\"");
        if (host.message == "An Unknown Exception occurred - please try again") violated("a refusal without its reason");
        if (!left.empty()) violated("a refused input left " + left.front() + " behind (" + host.message + ")");
        return;
    }

    if (!source) violated("the run split an input the scan reader refuses");
    const char* suffix = flip == Flip::none ? "" : flip == Flip::mainDiagonal ? "_FlippedLLtoUR" : "_FlippedULtoLR";
    const std::string names[2] = {std::string("Redinput") + suffix + ".tif", std::string("Greeninput") + suffix + ".tif"};
    if (left.size() != 2 || (left[0] != names[0] && left[0] != names[1]) || (left[1] != names[0] && left[1] != names[1]))
        violated("a split must leave exactly its two channel files");
    const std::uint32_t width = flip == Flip::none ? source->width : source->height;
    const std::uint32_t height = flip == Flip::none ? source->height : source->width;
    for (int c = 0; c < 2; ++c) {
        const std::string file = outputs + "/" + names[c];
        checkChannelFile(file, width, height, expectedPixels(source->channels[c], source->width, source->height, flip), *source,
                         flip != Flip::none);
        ::unlink(file.c_str());
    }
}

void quietLibtiff() {
    TIFFSetWarningHandler(nullptr);
    TIFFSetErrorHandler(nullptr);
}

}  // namespace quillane::fuzz
