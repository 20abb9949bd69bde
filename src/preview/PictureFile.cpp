#include "preview/PictureFile.h"

#include "platform/FileError.h"
#include "platform/FileLocation.h"
#include "platform/FolderListing.h"
#include "platform/MappedFile.h"
#include "platform/OutputFile.h"
#include "platform/PngEncoder.h"
#include "scan/UserException.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

namespace quillane {
namespace {

constexpr std::array<std::uint8_t, 8> pngSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

bool isTiffStart(const std::uint8_t* bytes, std::size_t count) {
    return count >= 4 && ((bytes[0] == 'I' && bytes[1] == 'I' && bytes[2] == 42 && bytes[3] == 0) ||
                          (bytes[0] == 'M' && bytes[1] == 'M' && bytes[2] == 0 && bytes[3] == 42));
}

}  // namespace

std::string pictureRefusal(const std::string& path, const std::string& scan) {
    const PathKind kind = pathKind(path);
    if (kind == PathKind::missing) return {};
    const auto standing = fileIdentity(path);
    if (standing && standing == fileIdentity(scan))
        return path + " : This is the scan being previewed; its picture cannot replace it";
    if (kind == PathKind::folder) return path + " : This is a folder; a picture cannot replace it";
    if (kind != PathKind::file) return path + " : This is a device or another special file, not a PNG picture; a picture cannot replace it";

    MappedFile file;
    std::array<std::uint8_t, pngSignature.size()> start{};
    std::size_t got = 0;
    std::uint32_t error = file.openForReading(path);
    if (error == 0) {
        // A short file gives fewer bytes, which no signature matches.
        for (std::size_t more = 1; error == 0 && more != 0 && got < start.size(); got += more)
            error = file.readAt(got, start.data() + got, start.size() - got, more);
        file.closeFile();
    }
    if (error != 0) return UserException(path, error).message;
    if (std::equal(pngSignature.begin(), pngSignature.end(), start.begin())) return {};
    if (isTiffStart(start.data(), got)) return path + " : This is a TIFF file, not a PNG picture; a picture cannot replace it";
    return path + " : This file is not a PNG picture; a picture cannot replace it";
}

void writePicture(const std::string& path, const RgbImage& picture, const std::string& scan) {
    if (std::string refusal = pictureRefusal(path, scan); !refusal.empty()) throw UserException(std::move(refusal));
    std::string failure;
    const std::vector<std::uint8_t> png = encodePng(picture.pixels.data(), picture.width, picture.height, failure);
    if (png.empty()) throw UserException(path + " : " + failure);
    try {
        OutputFile file(path);
        file.write(png.data(), png.size());
        file.flushToDisk();
        // Whatever came to stand at the name while the picture was made is looked at again.
        if (std::string refusal = pictureRefusal(path, scan); !refusal.empty()) throw UserException(std::move(refusal));
        file.commit();
    } catch (const FileError& error) {
        throw UserException(error.fileName + " : " + error.text());
    }
}

}  // namespace quillane
