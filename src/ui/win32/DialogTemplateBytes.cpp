#include "win32/DialogTemplateBytes.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <string_view>

namespace quillane {
namespace {

// Little-endian 16- and 32-bit values, UTF-16 strings and DWORD alignment, byte by byte.
class TemplateWriter {
public:
    void word(std::uint16_t value) {
        bytes_.push_back(static_cast<std::uint8_t>(value & 0xFF));
        bytes_.push_back(static_cast<std::uint8_t>(value >> 8));
    }
    void dword(std::uint32_t value) {
        word(static_cast<std::uint16_t>(value & 0xFFFF));
        word(static_cast<std::uint16_t>(value >> 16));
    }
    void coordinate(int value) { word(static_cast<std::uint16_t>(static_cast<std::int16_t>(value))); }
    // The templates' texts are UTF-8 (mostly plain ASCII), stored as UTF-16.
    void text(std::string_view value) {
        const int units = MultiByteToWideChar(CP_UTF8, 0, value.data(), static_cast<int>(value.size()), nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(units > 0 ? units : 0), L'\0');
        if (units > 0) MultiByteToWideChar(CP_UTF8, 0, value.data(), static_cast<int>(value.size()), wide.data(), units);
        for (const wchar_t unit : wide) word(static_cast<std::uint16_t>(unit));
        word(0);
    }
    // A resource or class given by number rather than by name.
    void ordinal(std::uint16_t value) {
        word(0xFFFF);
        word(value);
    }
    void alignToDword() {
        while (bytes_.size() % 4 != 0) bytes_.push_back(0);
    }
    std::vector<std::uint32_t> words() {
        alignToDword();
        std::vector<std::uint32_t> result(bytes_.size() / 4);
        std::memcpy(result.data(), bytes_.data(), bytes_.size());  // into aligned storage, unchanged
        return result;
    }

private:
    std::vector<std::uint8_t> bytes_;
};

// The predefined window classes by their atoms; the progress bar is a common control, by name.
void controlClass(TemplateWriter& out, ControlClass kind) {
    switch (kind) {
    case ControlClass::button: out.ordinal(0x0080); break;
    case ControlClass::edit: out.ordinal(0x0081); break;
    case ControlClass::staticControl: out.ordinal(0x0082); break;
    case ControlClass::listBox: out.ordinal(0x0083); break;
    case ControlClass::progressBar: out.text("msctls_progress32"); break;
    }
}

constexpr int fontWeightNormal = 400;
constexpr std::uint16_t defaultCharset = 1;  // DEFAULT_CHARSET

}  // namespace

std::vector<std::uint32_t> dialogTemplateBytes(const DialogTemplate& source) {
    TemplateWriter out;
    out.word(1);       // dlgVer
    out.word(0xFFFF);  // signature: the extended format
    out.dword(0);      // helpID
    out.dword(source.extendedStyles);
    out.dword(source.styles);
    out.word(static_cast<std::uint16_t>(source.controls.size()));
    out.coordinate(source.x);
    out.coordinate(source.y);
    out.coordinate(source.width);
    out.coordinate(source.height);
    out.word(0);  // no menu
    out.word(0);  // the predefined dialog class
    out.text(source.caption);
    if (source.styles & style::setFont) {
        out.word(static_cast<std::uint16_t>(source.pointSize));
        out.word(fontWeightNormal);
        out.word(static_cast<std::uint16_t>(defaultCharset << 8));  // italic 0 in the low byte, the charset in the high one
        out.text(source.fontName);
    }
    for (const DialogControl& control : source.controls) {
        out.alignToDword();
        out.dword(0);  // helpID
        out.dword(0);  // extended style
        out.dword(control.styles);
        out.coordinate(control.x);
        out.coordinate(control.y);
        out.coordinate(control.width);
        out.coordinate(control.height);
        out.dword(static_cast<std::uint32_t>(control.id));
        controlClass(out, control.controlClass);
        if (control.image != 0) out.ordinal(static_cast<std::uint16_t>(control.image));
        else out.text(control.text);
        out.word(0);  // no creation data
    }
    return out.words();
}

}  // namespace quillane
