#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace quillane {

// The program's one failure type: its message is the complete text the user reads.
class UserException : public std::exception {
public:
    explicit UserException(std::string text);
    // The path, " : " when the path has two or more characters, then the system's text for
    // the error number (nothing when the system has none).
    UserException(const std::string& path, std::uint32_t systemErrorCode);
    UserException(const UserException& other);
    UserException& operator=(const UserException& other) = default;
    const char* what() const noexcept override;

    std::string message;
};

}  // namespace quillane
