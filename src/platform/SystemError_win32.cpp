#include "platform/SystemError.h"

#include <array>

#include <windows.h>

namespace quillane {

std::string systemErrorText(std::uint32_t code) {
    // A few of the system's texts have inserts ("Insert %2 (Volume Serial Number: %3) into drive
    // %1."). With no argument array FormatMessageA would read them from nowhere; here each of
    // the 99 an insert can name reads as an empty text.
    static const auto noInserts = [] {
        std::array<DWORD_PTR, 99> inserts{};
        inserts.fill(reinterpret_cast<DWORD_PTR>(""));
        return inserts;
    }();

    char* text = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ARGUMENT_ARRAY, nullptr, code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text), 0,
        reinterpret_cast<va_list*>(const_cast<DWORD_PTR*>(noInserts.data())));
    if (length == 0 || text == nullptr) return {};
    // Exactly as the system gives it, line break at the end included.
    std::string result(text, length);
    ::LocalFree(text);
    return result;
}

bool isNameTooLong(std::uint32_t code) { return code == ERROR_FILENAME_EXCED_RANGE; }

}  // namespace quillane
