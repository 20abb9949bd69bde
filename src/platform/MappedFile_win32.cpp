#include "platform/MappedFile.h"

#include <windows.h>

namespace quillane {

namespace {

HANDLE handleOf(std::intptr_t value) { return reinterpret_cast<HANDLE>(value); }

}  // namespace

MappedFile::~MappedFile() {
    unmap();
    closeFile();
}

// INVALID_HANDLE_VALUE is -1, the value handle_ starts with.
bool MappedFile::isOpen() const { return handleOf(handle_) != INVALID_HANDLE_VALUE; }

std::uint32_t MappedFile::openForReading(const std::string& path) {
    // Other programs may read the file meanwhile but not change it: the share mode keeps them
    // from opening it for writing for as long as it is open here.
    const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return ::GetLastError();
    handle_ = reinterpret_cast<std::intptr_t>(file);
    return 0;
}

std::uint32_t MappedFile::queryLength(std::uint64_t& length) const {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(handleOf(handle_), &size)) return ::GetLastError();
    length = static_cast<std::uint64_t>(size.QuadPart);
    return 0;
}

std::uint32_t MappedFile::mapWhole(std::uint64_t length) {
    // The mapping is made exactly `length` long, so that a file cut short since its length was
    // taken fails here instead of being read past its end. A length of 0 means "the whole
    // file" to CreateFileMappingA, which refuses an empty file with the system's own error.
    const HANDLE mapping = ::CreateFileMappingA(handleOf(handle_), nullptr, PAGE_READONLY,
                                                static_cast<DWORD>(length >> 32), static_cast<DWORD>(length), nullptr);
    if (mapping == nullptr) return ::GetLastError();
    // A private copy-on-write view: nothing written through it could ever reach the file.
    void* address = ::MapViewOfFile(mapping, FILE_MAP_COPY, 0, 0, static_cast<SIZE_T>(length));
    if (address == nullptr) {
        const DWORD error = ::GetLastError();
        ::CloseHandle(mapping);
        return error;
    }
    // The view holds the mapping for as long as it is mapped; the handle is needed no longer.
    ::CloseHandle(mapping);
    view_ = static_cast<const std::uint8_t*>(address);
    length_ = length;
    return 0;
}

void MappedFile::prefetch(const void* start, std::uint64_t length) const {
    if (length == 0 || !holds(start, length)) return;
    WIN32_MEMORY_RANGE_ENTRY range{const_cast<void*>(start), static_cast<SIZE_T>(length)};
    ::PrefetchVirtualMemory(::GetCurrentProcess(), 1, &range, 0);
}

std::uint32_t MappedFile::readAt(std::uint64_t offset, void* buffer, std::size_t count, std::size_t& got) const {
    got = 0;
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD read = 0;
    // ReadFile takes at most a DWORD's worth; the caller asks again for the rest.
    const auto wanted = static_cast<DWORD>(count < MAXDWORD ? count : MAXDWORD);
    if (!::ReadFile(handleOf(handle_), buffer, wanted, &read, &at)) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_HANDLE_EOF) return error;
    }
    got = read;
    return 0;
}

std::uint32_t MappedFile::unmap() {
    if (view_ == nullptr) return 0;
    if (!::UnmapViewOfFile(view_)) return ::GetLastError();
    view_ = nullptr;
    length_ = 0;
    return 0;
}

std::uint32_t MappedFile::closeFile() {
    if (!isOpen()) return 0;
    const HANDLE file = handleOf(handle_);
    handle_ = reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE);
    if (!::CloseHandle(file)) return ::GetLastError();
    return 0;
}

}  // namespace quillane
