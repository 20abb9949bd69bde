#include "cli/CommandLine.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace quillane {

const char* const usageText =
    "Usage: quillane-split [--out DIR] [--flip main|opposite] [--keep-going] [--quiet] [--print0] FILE...\n"
    "       quillane-split --check [--out DIR] [--flip main|opposite] FILE...\n"
    "       quillane-split --info FILE...\n"
    "       quillane-split --watch FOLDER [--out DIR] [--flip main|opposite] [--poll SECONDS] [--settle SECONDS]\n"
    "       quillane-split --history FOLDER | --watch-status FOLDER [--json]\n"
    "       quillane-split --preview PICTURE [--preview-size PIXELS] [--flip main|opposite] [--json] FILE\n"
    "Splits each two-channel scan FILE into Red<name> and Green<name>, one file per channel,\n"
    "and prints the two paths it wrote, one per line.\n"
    "\n"
    "  --check                check each FILE as a split would, and write nothing\n"
    "  --info                 show each FILE's size, channels, pixel size and texts\n"
    "  --watch FOLDER         split every scan in FOLDER, then each one that arrives, until stopped\n"
    "  --poll SECONDS         with --watch: also look at FOLDER every SECONDS, besides the\n"
    "                         system's notifications (a network folder: every 2 s unless given)\n"
    "  --settle SECONDS       with --watch: split a scan only once it has not changed for SECONDS\n"
    "                         (for scans written from another machine that close between pieces)\n"
    "  --history FOLDER       list what the watch of FOLDER split, when and how\n"
    "  --watch-status FOLDER  say whether FOLDER is watched, since when, its last events and\n"
    "                         the scans that wait or fail\n"
    "  --json                 report as JSON Lines on standard output, one object per file or event\n"
    "  --out DIR              write the channel files into DIR (default: beside each FILE)\n"
    "  --flip main|opposite   flip every channel along the main or the opposite diagonal\n"
    "  --keep-going           try every FILE even after a failure, then list the failures\n"
    "  --quiet                no progress, only errors\n"
    "  -0, --print0           end each written path with a NUL instead of a line end (xargs -0)\n"
    "  --preview PICTURE      split nothing: write both channels of FILE, as they would be\n"
    "                         written, as one red and green PNG picture, and print each\n"
    "                         channel's minimum, maximum, mean and saturated samples\n"
    "  --preview-size PIXELS  with --preview: the picture's longer side at most PIXELS, from 1 to\n"
    "                         4096 (default 1024)\n"
    "  --help                 show this text\n"
    "  --version              show the version\n"
    "\n"
    "Exit status: 0 when every file was split, 1 when any was refused or failed, 2 for a usage error.\n";

namespace {

constexpr int longestPoll = 24 * 60 * 60;  // seconds

const char* nameOf(RunKind kind) {
    switch (kind) {
    case RunKind::check: return "--check";
    case RunKind::info: return "--info";
    case RunKind::preview: return "--preview";
    case RunKind::watch: return "--watch";
    case RunKind::history: return "--history";
    case RunKind::watchStatus: return "--watch-status";
    case RunKind::split: break;
    }
    return "";
}

// One kind of run per command: a second one is a mistake, not a choice.
void chooseKind(CommandLine& commandLine, RunKind kind) {
    if (commandLine.kind != RunKind::split && commandLine.kind != kind)
        throw UsageError(std::string("options '") + nameOf(commandLine.kind) + "' and '" + nameOf(kind) +
                         "' cannot be used together");
    commandLine.kind = kind;
}

int pollSecondsFrom(const std::string& text, const char* option = "--poll") {
    int seconds = 0;
    for (const char c : text) {
        if (c < '0' || c > '9' || seconds > longestPoll) {
            seconds = -1;
            break;
        }
        seconds = seconds * 10 + (c - '0');
    }
    if (text.empty() || seconds < 1 || seconds > longestPoll)
        throw UsageError(std::string("option '") + option + "' takes a number of seconds from 1 to " + std::to_string(longestPoll) +
                         ", not '" + text + "'");
    return seconds;
}

// --preview-size: a whole number of pixels the picture's longer side may come to.
std::uint32_t pictureSizeFrom(const std::string& text) {
    std::uint32_t pixels = 0;
    for (const char c : text) {
        if (c < '0' || c > '9' || pixels > PreviewRequest::largestPicture) {
            pixels = 0;
            break;
        }
        pixels = pixels * 10 + static_cast<std::uint32_t>(c - '0');
    }
    if (pixels < 1 || pixels > PreviewRequest::largestPicture)
        throw UsageError("option '--preview-size' takes a number of pixels from 1 to " + std::to_string(PreviewRequest::largestPicture) +
                         ", not '" + text + "'");
    return pixels;
}

// The value of an option given as "--name VALUE" or "--name=VALUE"; nothing when `argument`
// is another option. Moves `i` past a separate value. A separate value that starts with a dash
// is taken for a forgotten value ("--out --flip main"), not for a folder named "--flip"; such a
// value can still be given as "--name=VALUE" or "./-VALUE".
std::optional<std::string> optionValue(std::string_view name, const std::vector<std::string>& arguments,
                                       std::size_t& i) {
    const std::string& argument = arguments[i];
    if (argument == name) {
        if (i + 1 >= arguments.size() || arguments[i + 1].starts_with('-'))
            throw UsageError("option '" + argument + "' needs a value");
        return arguments[++i];
    }
    if (argument.size() > name.size() && argument.compare(0, name.size(), name) == 0 && argument[name.size()] == '=')
        return argument.substr(name.size() + 1);
    return std::nullopt;
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine commandLine;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        // "--" makes every later argument a file name, "-" included.
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            // A lone "-" means standard input to most programs; scans are read from files only.
            if (!optionsEnded && argument == "-")
                throw UsageError("'-' (standard input) cannot be split: name the files");
            commandLine.files.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            commandLine.help = true;
            return commandLine;
        } else if (argument == "--version") {
            commandLine.version = true;
            return commandLine;
        } else if (argument == "--keep-going") {
            commandLine.options.keepGoing = true;
        } else if (argument == "--quiet" || argument == "-q") {
            commandLine.quiet = true;
        } else if (argument == "--json") {
            commandLine.json = true;
        } else if (argument == "--print0" || argument == "-0") {
            commandLine.nulSeparated = true;
        } else if (argument == "--check") {
            chooseKind(commandLine, RunKind::check);
        } else if (argument == "--info") {
            chooseKind(commandLine, RunKind::info);
        } else if (const auto watched = optionValue("--watch", arguments, i)) {
            if (watched->empty()) throw UsageError("option '--watch' needs a folder");
            chooseKind(commandLine, RunKind::watch);
            commandLine.watchFolder = *watched;
        } else if (const auto historyFolder = optionValue("--history", arguments, i)) {
            chooseKind(commandLine, RunKind::history);
            commandLine.watchFolder = *historyFolder;
        } else if (const auto statusFolder = optionValue("--watch-status", arguments, i)) {
            chooseKind(commandLine, RunKind::watchStatus);
            commandLine.watchFolder = *statusFolder;
        } else if (const auto settle = optionValue("--settle", arguments, i)) {
            commandLine.settleSeconds = pollSecondsFrom(*settle, "--settle");
        } else if (const auto seconds = optionValue("--poll", arguments, i)) {
            commandLine.pollSeconds = pollSecondsFrom(*seconds);
        } else if (const auto folder = optionValue("--out", arguments, i)) {
            // An empty folder would quietly mean "beside each input".
            if (folder->empty()) throw UsageError("option '--out' needs a folder");
            commandLine.options.outputFolder = *folder;
            commandLine.options.writeBack = false;
        } else if (const auto diagonal = optionValue("--flip", arguments, i)) {
            if (*diagonal != "main" && *diagonal != "opposite")
                throw UsageError("option '--flip' takes main or opposite, not '" + *diagonal + "'");
            commandLine.options.flip = true;
            commandLine.options.mainDiagonal = *diagonal == "main";
        } else if (const auto pixels = optionValue("--preview-size", arguments, i)) {
            commandLine.previewSize = pictureSizeFrom(*pixels);
        } else if (const auto picture = optionValue("--preview", arguments, i)) {
            if (picture->empty()) throw UsageError("option '--preview' needs a picture's path");
            chooseKind(commandLine, RunKind::preview);
            commandLine.previewPicture = *picture;
        } else {
            throw UsageError("unknown option '" + argument + "'");
        }
    }
    if (commandLine.pollSeconds != 0 && commandLine.kind != RunKind::watch)
        throw UsageError("option '--poll' needs '--watch'");
    // Only a split lists the paths it wrote; its JSON report holds them already.
    if (commandLine.nulSeparated && (commandLine.kind != RunKind::split || commandLine.json))
        throw UsageError("option '--print0' lists the paths a split writes, without '--json'");
    if (commandLine.previewSize != PreviewRequest::largestBox && commandLine.kind != RunKind::preview)
        throw UsageError("option '--preview-size' needs '--preview'");
    if (commandLine.settleSeconds != 0 && commandLine.kind != RunKind::watch)
        throw UsageError("option '--settle' needs '--watch'");
    if (commandLine.kind == RunKind::history || commandLine.kind == RunKind::watchStatus) {
        if (commandLine.watchFolder.empty()) throw UsageError(std::string("option '") + nameOf(commandLine.kind) + "' needs a folder");
        if (!commandLine.files.empty()) throw UsageError(std::string("option '") + nameOf(commandLine.kind) + "' takes no files");
        return commandLine;
    }
    if (commandLine.kind == RunKind::watch) {
        if (!commandLine.files.empty()) throw UsageError("'--watch' takes its scans from its folder, not from files");
        return commandLine;
    }
    if (commandLine.files.empty()) throw UsageError("no input files");
    if (commandLine.kind == RunKind::preview && (commandLine.files.size() != 1 || !commandLine.options.writeBack))
        throw UsageError("option '--preview' takes one FILE and writes no channel files, so no '--out'");
    return commandLine;
}

bool isUnmatchedWildcard(const std::string& file, PathStyle style) {
    if (style != PathStyle::windows) return false;
    // Past the prefixes of long and device paths, whose '?' is no wildcard.
    const std::string_view name =
        file.starts_with("\\\\?\\") || file.starts_with("\\\\.\\") ? std::string_view(file).substr(4) : std::string_view(file);
    return name.find_first_of("*?") != std::string_view::npos;
}

}  // namespace quillane
