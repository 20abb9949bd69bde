#include "split/OutputNaming.h"

#include "platform/CodePage.h"
#include "scan/ScannerRecord.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>

namespace quillane {
namespace {

// On Windows the base name and the extension are each cut to this many UTF-16 units, as the
// system's own path splitting does. The folder is never cut: a folder the system could open is
// never longer, and a cut one would put the outputs in another folder. A POSIX path keeps
// every part whole; a name over the system's limit is refused when the file is made.
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

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

struct Character {
    std::size_t bytes;
    std::size_t utf16Units;
};

// The character at the start of `text` (not empty) as Windows reads it: a double-byte
// character of the code page, a well-formed UTF-8 sequence (four bytes take two UTF-16 units),
// or a single byte, which the system turns into one unit whatever it is.
Character characterAt(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    if (text.size() >= 2 && isLeadByte(lead)) return {2, 1};
    std::size_t length = 1;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4;
    if (length == 1 || text.size() < length) return {1, 1};
    for (std::size_t i = 1; i < length; ++i)
        if (!isContinuation(static_cast<unsigned char>(text[i]))) return {1, 1};
    // Overlong forms and surrogates are no characters; their bytes count one by one.
    const auto second = static_cast<unsigned char>(text[1]);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) || (lead == 0xF0 && second < 0x90) ||
        (lead == 0xF4 && second >= 0x90))
        return {1, 1};
    return {length, length == 4 ? 2u : 1u};
}

std::string cut(std::string_view part, PathStyle style) {
    if (style != PathStyle::windows) return std::string(part);
    std::size_t kept = 0;
    std::size_t units = 0;
    while (kept < part.size()) {
        const Character next = characterAt(part.substr(kept));
        if (units + next.utf16Units > partLimit) break;
        units += next.utf16Units;
        kept += next.bytes;
    }
    return std::string(part.substr(0, kept));
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

    parts.directory = path.substr(0, nameStart);
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

std::string flipName(const SplitOptions& options) {
    if (!options.flip) return "none";
    return options.mainDiagonal ? "main" : "opposite";
}

namespace {

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && std::equal(tail.rbegin(), tail.rend(), text.rbegin(), [](char a, char b) {
               return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b;
           });
}

}  // namespace

bool mayBeScanName(const std::string& name) {
    return !name.empty() && name[0] != '.' && (endsWith(name, ".tif") || endsWith(name, ".tiff"));
}

std::vector<std::string> inputsNamingOutput(const std::string& outputName) {
    std::vector<std::string> inputs;
    for (const std::string_view colour : {"Red", "Green"}) {
        if (outputName.size() <= colour.size() || !outputName.starts_with(colour)) continue;
        const std::string rest = outputName.substr(colour.size());
        const std::size_t stem = std::min(rest.rfind('.'), rest.size());
        for (const int flip : {0, 1, 2}) {
            SplitOptions flipped;
            flipped.flip = flip != 0;
            flipped.mainDiagonal = flip == 1;
            const std::string suffix = flipSuffix(flipped);
            if (stem >= suffix.size() && rest.compare(stem - suffix.size(), suffix.size(), suffix) == 0)
                inputs.push_back(rest.substr(0, stem - suffix.size()) + rest.substr(stem));
        }
    }
    return inputs;
}

OutputPaths composeOutputPaths(const SplitOptions& options, const std::string& inputPath) {
    const std::string suffix = flipSuffix(options);
    if (!options.writeBack && !options.outputFolder.empty())
        return {composeInFolder(options.outputFolder, inputPath, 0, suffix),
                composeInFolder(options.outputFolder, inputPath, 1, suffix)};
    return {composeBesideInput(inputPath, 0, suffix), composeBesideInput(inputPath, 1, suffix)};
}

}  // namespace quillane
