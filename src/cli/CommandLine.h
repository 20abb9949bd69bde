#pragma once

#include "split/SplitHost.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace quillane {

// What a quillane-split command asks for.
struct CommandLine {
    // Beside each input unless --out names a folder.
    SplitOptions options{.outputFolder = {}, .writeBack = true, .flip = false, .mainDiagonal = false};
    bool keepGoing = false;
    bool quiet = false;
    bool help = false;
    bool version = false;
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

// The text --help prints.
extern const char* const usageText;

}  // namespace quillane
