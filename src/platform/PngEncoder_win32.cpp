#include "platform/PngEncoder.h"

#include "platform/SystemError.h"

#include <windows.h>
#include <objidl.h>
#include <wincodec.h>

#include <cstdio>

namespace quillane {
namespace {

// One COM interface, released when it goes.
template <class Interface>
class ComPointer {
public:
    ComPointer() = default;
    ComPointer(const ComPointer&) = delete;
    ComPointer& operator=(const ComPointer&) = delete;
    ~ComPointer() {
        if (pointer_ != nullptr) pointer_->Release();
    }
    Interface* operator->() const { return pointer_; }
    Interface* get() const { return pointer_; }
    Interface** out() { return &pointer_; }

private:
    Interface* pointer_ = nullptr;
};

// COM on this thread for as long as it lives; a thread that has it already (a window's, in a
// single-threaded apartment) keeps it. The multithreaded apartment needs no hidden window, which
// a console program without a desktop would wait for.
class ComOnThisThread {
public:
    ComOnThisThread() : result_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~ComOnThisThread() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ComOnThisThread(const ComOnThisThread&) = delete;
    ComOnThisThread& operator=(const ComOnThisThread&) = delete;

private:
    HRESULT result_;
};

std::string failureText(const char* step, HRESULT result) {
    const std::string system = systemErrorText(static_cast<std::uint32_t>(result));
    if (!system.empty()) return system;
    char text[96];
    std::snprintf(text, sizeof text, "the image library failed to %s (0x%08lX)", step, static_cast<unsigned long>(result));
    return text;
}

}  // namespace

std::vector<std::uint8_t> encodePng(const std::uint8_t* rgb, std::uint32_t width, std::uint32_t height,
                                    std::string& failure) {
    const ComOnThisThread com;
    ComPointer<IWICImagingFactory> factory;
    ComPointer<IStream> stream;
    ComPointer<IWICBitmapEncoder> encoder;
    ComPointer<IWICBitmapFrameEncode> frame;
    ComPointer<IPropertyBag2> options;
    const auto failed = [&](const char* step, HRESULT result) {
        if (SUCCEEDED(result)) return false;
        failure = failureText(step, result);
        return true;
    };
    if (failed("start", CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                         reinterpret_cast<void**>(factory.out()))) ||
        failed("make a stream", CreateStreamOnHGlobal(nullptr, TRUE, stream.out())) ||
        failed("find its PNG encoder", factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.out())) ||
        failed("begin the file", encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)) ||
        failed("begin the picture", encoder->CreateNewFrame(frame.out(), options.out())) ||
        failed("begin the picture", frame->Initialize(options.get())) ||
        failed("size the picture", frame->SetSize(width, height)))
        return {};
    // WIC's PNG encoder takes blue, green and red in that order; it says when it needs another.
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (failed("set the pixel format", frame->SetPixelFormat(&format))) return {};
    if (!IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) {
        failure = "the image library cannot write 24-bit pictures";
        return {};
    }
    const UINT stride = width * 3;
    std::vector<BYTE> row(stride);
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint8_t* source = rgb + std::size_t{y} * stride;
        for (std::uint32_t x = 0; x < width; ++x) {
            row[3 * x] = source[3 * x + 2];
            row[3 * x + 1] = source[3 * x + 1];
            row[3 * x + 2] = source[3 * x];
        }
        if (failed("write the picture", frame->WritePixels(1, stride, stride, row.data()))) return {};
    }
    if (failed("finish the picture", frame->Commit()) || failed("finish the file", encoder->Commit())) return {};

    STATSTG status{};
    if (failed("measure the file", stream->Stat(&status, STATFLAG_NONAME))) return {};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(status.cbSize.QuadPart));
    LARGE_INTEGER start{};
    ULONG read = 0;
    if (failed("read the file", stream->Seek(start, STREAM_SEEK_SET, nullptr)) ||
        failed("read the file", stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read)))
        return {};
    bytes.resize(read);
    return bytes;
}

}  // namespace quillane
