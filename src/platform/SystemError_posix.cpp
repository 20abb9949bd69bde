#include "platform/SystemError.h"

#include <cerrno>
#include <cstring>
#include <locale.h>

namespace quillane {

namespace {

// The user's locale for messages, made once; the C locale when the environment names none
// that the system knows.
locale_t userLocale() {
    static const locale_t locale = [] {
        locale_t made = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(nullptr));
        return made != static_cast<locale_t>(nullptr) ? made : newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    }();
    return locale;
}

}  // namespace

std::string systemErrorText(std::uint32_t code) {
    const int number = static_cast<int>(code);
    // glibc answers "Unknown error N" for numbers it has no entry for; such a number has no
    // text of its own, so nothing is given.
    if (code > 0x7fffffffu || strerrorname_np(number) == nullptr) return {};
    const char* text = strerror_l(number, userLocale());
    return text != nullptr ? std::string(text) : std::string();
}

bool isNameTooLong(std::uint32_t code) { return code == ENAMETOOLONG; }

}  // namespace quillane
