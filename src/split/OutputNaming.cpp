#include "split/OutputNaming.h"

#include "platform/CodePage.h"
#include "scan/ScannerRecord.h"

#include <stdexcept>
#include <string_view>

namespace quillane {
namespace {

// On Windows each part of a split path is cut to this many characters, as the system's own
// path splitting does; a POSIX path keeps every part whole, since its folders may be longer.
constexpr std::size_t partLimit = 255;

bool isSeparator(char c, PathStyle style) {
    return c == '/' || (style == PathStyle::windows && c == '\\');
}

struct PathParts {
    std::string drive;
    std::string directory;
    std::string baseName;
    std::string extension;
};

std::string cut(std::string_view part, PathStyle style) {
    return std::string(style == PathStyle::windows ? part.substr(0, partLimit) : part);
}

PathParts splitPath(std::string_view path, PathStyle style) {
    PathParts parts;
    if (style == PathStyle::windows && path.size() >= 2 && path[1] == ':') {
        parts.drive = path.substr(0, 2);
        path.remove_prefix(2);
    }

    std::size_t nameStart = 0;
    std::size_t lastDot = std::string_view::npos;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const char c = path[i];
        if (isLeadByte(static_cast<unsigned char>(c))) {
            ++i;  // the trail byte is never a separator or a dot
        } else if (isSeparator(c, style)) {
            nameStart = i + 1;
        } else if (c == '.') {
            lastDot = i;
        }
    }

    parts.directory = cut(path.substr(0, nameStart), style);
    const std::string_view name = path.substr(nameStart);
    if (lastDot != std::string_view::npos && lastDot >= nameStart) {
        parts.baseName = cut(name.substr(0, lastDot - nameStart), style);
        parts.extension = cut(name.substr(lastDot - nameStart), style);
    } else {
        parts.baseName = cut(name, style);
    }
    return parts;
}

const char* colourName(int colourIndex) {
    if (colourIndex < 0 || colourIndex > 3) throw std::out_of_range("colour index outside the channel name table");
    return channelNames[colourIndex];
}

std::string outputName(const PathParts& parts, int colourIndex, const std::string& suffix) {
    return colourName(colourIndex) + parts.baseName + suffix + parts.extension;
}

}  // namespace

std::string composeBesideInput(const std::string& inputPath, int colourIndex, const std::string& suffix,
                               PathStyle style) {
    const PathParts parts = splitPath(inputPath, style);
    return parts.drive + parts.directory + outputName(parts, colourIndex, suffix);
}

std::string composeInFolder(const std::string& folder, const std::string& inputPath, int colourIndex,
                            const std::string& suffix, PathStyle style) {
    if (folder.empty()) return composeBesideInput(inputPath, colourIndex, suffix, style);
    // Only the style's own separator counts at the end: in Windows style "D:\out/" still gets
    // a backslash, giving "D:\out/\".
    const char separator = style == PathStyle::windows ? '\\' : '/';
    std::string start = folder;
    if (start.back() != separator) start += separator;
    return start + outputName(splitPath(inputPath, style), colourIndex, suffix);
}

std::string DriveAndDirectory(const std::string& path, PathStyle style) {
    PathParts parts = splitPath(path, style);
    return parts.drive + parts.directory;
}

std::string FileNamePart(const std::string& path, PathStyle style) {
    const PathParts parts = splitPath(path, style);
    return parts.baseName + parts.extension;
}

std::string flipSuffix(const SplitOptions& options) {
    if (!options.flip) return {};
    return options.mainDiagonal ? "_FlippedLLtoUR" : "_FlippedULtoLR";
}

OutputPaths composeOutputPaths(const SplitOptions& options, const std::string& inputPath) {
    const std::string suffix = flipSuffix(options);
    if (!options.writeBack && !options.outputFolder.empty())
        return {composeInFolder(options.outputFolder, inputPath, 0, suffix),
                composeInFolder(options.outputFolder, inputPath, 1, suffix)};
    return {composeBesideInput(inputPath, 0, suffix), composeBesideInput(inputPath, 1, suffix)};
}

}  // namespace quillane
