#pragma once

#include "split/SplitHost.h"

#include <string>
#include <vector>

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
// The file name at the end of a path: what follows its drive and folder.
std::string FileNamePart(const std::string& path, PathStyle style = nativePathStyle);

// The suffix a flip adds to both output names: empty without a flip.
std::string flipSuffix(const SplitOptions& options);
// The flip a split makes, as reports and the watch's record name it: "none", "main" or "opposite".
std::string flipName(const SplitOptions& options);

// The two files a split of one input writes: channel 0 goes to `first`, channel 1 to `second`.
struct OutputPaths {
    std::string first;
    std::string second;
};
// Inside the output folder, or beside the input when writing back or when no folder is given.
OutputPaths composeOutputPaths(const SplitOptions& options, const std::string& inputPath);

// Whether a file named `name` may be a scan: a TIFF file, as a dropped folder lists them, and not
// a hidden one (other programs' temporaries, which they rename once written).
bool mayBeScanName(const std::string& name);
// The names of the inputs beside it whose split, with either flip or none, writes a channel file
// named `outputName`.
std::vector<std::string> inputsNamingOutput(const std::string& outputName);

}  // namespace quillane
