#include "support/TiffReadBack.h"

#include <tiffio.h>

#include <cstdarg>
#include <cstring>
#include <sstream>
#include <utility>

namespace quillane::testing {

namespace {

// libtiff reports through process-wide handlers; while a file is read they collect into the
// read's message list.
std::vector<std::string>* collecting = nullptr;

void collect(const char* kind, const char* module, const char* format, va_list arguments) {
    char text[1024];
    std::vsnprintf(text, sizeof text, format, arguments);
    if (collecting) collecting->push_back(std::string(kind) + (module ? std::string(" in ") + module : "") + ": " + text);
}

void onError(const char* module, const char* format, va_list arguments) { collect("error", module, format, arguments); }
void onWarning(const char* module, const char* format, va_list arguments) {
    collect("warning", module, format, arguments);
}

class Collecting {
public:
    explicit Collecting(std::vector<std::string>& messages)
        : error_(TIFFSetErrorHandler(onError)), warning_(TIFFSetWarningHandler(onWarning)) {
        collecting = &messages;
    }
    ~Collecting() {
        collecting = nullptr;
        TIFFSetErrorHandler(error_);
        TIFFSetWarningHandler(warning_);
    }
    Collecting(const Collecting&) = delete;
    Collecting& operator=(const Collecting&) = delete;

private:
    TIFFErrorHandler error_;
    TIFFErrorHandler warning_;
};

}  // namespace

TiffReadBack readTiff(const std::filesystem::path& file) {
    TiffReadBack result;
    Collecting guard(result.messages);
    TIFF* tiff = TIFFOpen(file.c_str(), "r");
    if (tiff == nullptr) return result;
    result.opened = true;
    // libtiff gives each field in the type it knows the tag by.
    const std::pair<ttag_t, std::uint32_t*> longs[] = {
        {TIFFTAG_IMAGEWIDTH, &result.width},
        {TIFFTAG_IMAGELENGTH, &result.height},
        {TIFFTAG_SUBFILETYPE, &result.subfileType},
        {TIFFTAG_ROWSPERSTRIP, &result.rowsPerStrip},
    };
    for (const auto& [tag, value] : longs) TIFFGetField(tiff, tag, value);
    const std::pair<ttag_t, std::uint16_t*> shorts[] = {
        {TIFFTAG_BITSPERSAMPLE, &result.bitsPerSample},
        {TIFFTAG_SAMPLESPERPIXEL, &result.samplesPerPixel},
        {TIFFTAG_RESOLUTIONUNIT, &result.resolutionUnit},
        {TIFFTAG_COMPRESSION, &result.compression},
        {TIFFTAG_PHOTOMETRIC, &result.photometric},
        {TIFFTAG_PLANARCONFIG, &result.planarConfiguration},
        {TIFFTAG_MINSAMPLEVALUE, &result.minSampleValue},
        {TIFFTAG_MAXSAMPLEVALUE, &result.maxSampleValue},
    };
    for (const auto& [tag, value] : shorts) TIFFGetField(tiff, tag, value);
    TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &result.xResolution);
    TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &result.yResolution);
    if (char* name = nullptr; TIFFGetField(tiff, TIFFTAG_PAGENAME, &name) && name) result.pageName = name;
    if (char* date = nullptr; TIFFGetField(tiff, TIFFTAG_DATETIME, &date) && date) result.dateTime = date;
    const std::pair<ttag_t, std::string*> texts[] = {
        {TIFFTAG_IMAGEDESCRIPTION, &result.description}, {TIFFTAG_MAKE, &result.make},
        {TIFFTAG_MODEL, &result.model},                   {TIFFTAG_SOFTWARE, &result.software},
        {TIFFTAG_ARTIST, &result.artist},                 {TIFFTAG_HOSTCOMPUTER, &result.hostComputer},
    };
    for (const auto& [tag, text] : texts)
        if (char* value = nullptr; TIFFGetField(tiff, tag, &value) && value) *text = value;
    const tstrip_t strips = TIFFNumberOfStrips(tiff);
    const std::pair<ttag_t, std::vector<std::uint64_t>*> perStrip[] = {
        {TIFFTAG_STRIPOFFSETS, &result.stripOffsets},
        {TIFFTAG_STRIPBYTECOUNTS, &result.stripByteCounts},
    };
    for (const auto& [tag, values] : perStrip)
        if (std::uint64_t* array = nullptr; TIFFGetField(tiff, tag, &array) && array) values->assign(array, array + strips);

    if (result.bitsPerSample == 16 && result.width > 0) {
        result.pixels.resize(std::size_t{result.width} * result.height);
        for (std::uint32_t row = 0; row < result.height; ++row) {
            std::uint8_t* into = reinterpret_cast<std::uint8_t*>(result.pixels.data() + std::size_t{row} * result.width);
            if (TIFFReadScanline(tiff, into, row, 0) < 0) break;
        }
    }
    result.directoryCount = TIFFNumberOfDirectories(tiff);
    TIFFClose(tiff);
    return result;
}

}  // namespace quillane::testing
