#pragma once

#include <string>

namespace quillane {

enum class PathStyle { windows, posix };

#ifdef _WIN32
inline constexpr PathStyle nativePathStyle = PathStyle::windows;
#else
inline constexpr PathStyle nativePathStyle = PathStyle::posix;
#endif

// The output path in the input file's own folder: colour name, base name, suffix, extension.
std::string composeBesideInput(const std::string& inputPath, int colourIndex, const std::string& suffix,
                               PathStyle style = nativePathStyle);
// The output path inside `folder`; an empty folder gives what composeBesideInput gives.
std::string composeInFolder(const std::string& folder, const std::string& inputPath, int colourIndex,
                            const std::string& suffix, PathStyle style = nativePathStyle);
// The drive and folder of a path, with its trailing separator; empty for a bare file name.
std::string DriveAndDirectory(const std::string& path, PathStyle style = nativePathStyle);

}  // namespace quillane
