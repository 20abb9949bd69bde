#pragma once

#include "preview/ScanPreview.h"
#include "split/OutputNaming.h"
#include "split/SplitHost.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillane {

// What a run of quillane-split does with its files: split them, only check them, show what
// each holds, picture one of them, or watch a folder and split each scan that arrives in it.
enum class RunKind { split, check, info, preview, watch, history, watchStatus };

// What a quillane-split command asks for.
struct CommandLine {
    RunKind kind = RunKind::split;
    // Beside each input unless --out names a folder.
    SplitOptions options{.outputFolder = {}, .writeBack = true, .flip = false, .mainDiagonal = false, .keepGoing = false};
    bool quiet = false;
    bool help = false;
    bool version = false;
    // Reports as JSON Lines on standard output instead of text.
    bool json = false;
    // Each written file's path ended by a NUL instead of a line end (for xargs -0).
    bool nulSeparated = false;
    // The folder --watch watches, and how often it looks at it without notifications: 0 leaves
    // that to the folder's file system.
    std::string watchFolder;
    int pollSeconds = 0;
    // How long a scan must hold still before it is split, for writers whose files cannot be
    // seen open (another machine's, over a share); 0 leaves the watch's own short pause.
    int settleSeconds = 0;
    // --history and --watch-status name the watched folder in `watchFolder`.
// Where --preview puts its picture of the one file's channels as they would be written.
    std::string previewPicture;
    // The longest side --preview-size allows the picture.
    std::uint32_t previewSize = PreviewRequest::largestBox;
    std::vector<std::string> files;
};

// A command line that cannot be carried out; its text says what is wrong with it.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the arguments after the program's name. --help and --version end the reading: what
// follows them is not looked at.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// Whether a file argument is a wildcard that matched no file. Windows hands a program its
// patterns, which the runtime expands, and leaves one that matches nothing as it was; Windows
// names cannot hold '*' or '?'. A POSIX shell has expanded them before the program starts.
bool isUnmatchedWildcard(const std::string& file, PathStyle style = nativePathStyle);

// The text --help prints.
extern const char* const usageText;

}  // namespace quillane
