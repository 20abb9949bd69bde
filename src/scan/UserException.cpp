#include "scan/UserException.h"

#include "platform/SystemError.h"

#include <utility>

namespace quillane {

UserException::UserException(std::string text) : message(std::move(text)) {}

UserException::UserException(const std::string& path, std::uint32_t systemErrorCode) : message(path) {
    if (path.size() >= 2) message += " : ";
    message += systemErrorText(systemErrorCode);
}

UserException::UserException(const UserException& other) : std::exception(other), message(other.what()) {}

const char* UserException::what() const noexcept { return message.c_str(); }

}  // namespace quillane
