#include "platform/PngEncoder.h"

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstddef>
#include <new>
#include <utility>

namespace quillane {
namespace {

struct Encoding {
    std::vector<std::uint8_t> bytes;
    std::string failure;
};

void append(png_structp png, png_bytep data, png_size_t length) {
    auto* encoding = static_cast<Encoding*>(png_get_io_ptr(png));
    bool appended = true;
    try {
        encoding->bytes.insert(encoding->bytes.end(), data, data + length);
    } catch (const std::bad_alloc&) {
        appended = false;  // no exception may pass through the library: it fails the encoding instead
    }
    if (!appended) png_error(png, "out of memory");
}

void flush(png_structp) {}

// libpng reports a failure here and then jumps back to the setjmp in encodePng.
void keepError(png_structp png, png_const_charp message) {
    static_cast<Encoding*>(png_get_error_ptr(png))->failure = message;
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

}  // namespace

std::vector<std::uint8_t> encodePng(const std::uint8_t* rgb, std::uint32_t width, std::uint32_t height,
                                    std::string& failure) {
    Encoding encoding;
    // Room for the whole picture uncompressed, so that the bytes are not copied again and again
    // into ever larger fresh memory as they come.
    encoding.bytes.reserve(std::size_t{width} * height * 3 + height + 4096);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &encoding, keepError, ignoreWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (png == nullptr || info == nullptr) {
        png_destroy_write_struct(&png, &info);
        failure = "the PNG library cannot start";
        return {};
    }
    // Nothing below owns anything that a jump back here would skip: the vector and the text are
    // the encoding's, made before.
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        failure = encoding.failure;
        return {};
    }
    png_set_write_fn(png, &encoding, append, flush);
    // A preview is written once and looked at: one filter for every row (the difference from the
    // pixel to the left) and runs of equal bytes compressed, the quickest way there is, cost a
    // few percent more bytes than the thorough default and take a quarter of its time.
    png_set_compression_level(png, 1);
    png_set_compression_strategy(png, Z_RLE);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (std::uint32_t row = 0; row < height; ++row)
        png_write_row(png, rgb + std::size_t{row} * width * 3);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return std::move(encoding.bytes);
}

}  // namespace quillane
