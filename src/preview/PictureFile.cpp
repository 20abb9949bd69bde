#include "preview/PictureFile.h"

#include "platform/FileError.h"
#include "platform/OutputFile.h"
#include "platform/PngEncoder.h"
#include "scan/UserException.h"

namespace quillane {

void writePicture(const std::string& path, const RgbImage& picture) {
    std::string failure;
    const std::vector<std::uint8_t> png = encodePng(picture.pixels.data(), picture.width, picture.height, failure);
    if (png.empty()) throw UserException(path + " : " + failure);
    try {
        OutputFile file(path);
        file.write(png.data(), png.size());
        file.commit();
    } catch (const FileError& error) {
        throw UserException(error.fileName + " : " + error.text());
    }
}

}  // namespace quillane
