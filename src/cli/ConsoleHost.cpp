#include "cli/ConsoleHost.h"

#include <cstdio>
#include <string>
#include <utility>

namespace quillane {
namespace {

constexpr const char* successCaption = "Done!";
constexpr int lastPosition = 10;  // the run's positions go from 0 to 10

// A failure as one line of a log that names its file: the line breaks a system text ends in (or
// holds) become single spaces, and a text that does not begin with the file's name gets it in
// front, as the program's own texts name it ("<file> : <reason>").
std::string failureLine(const std::string& file, const std::string& text) {
    std::string line;
    for (const char c : text) {
        if (c != '\r' && c != '\n') line += c;
        else if (!line.empty() && line.back() != ' ') line += ' ';
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    const std::string named = file + " : ";
    if (!file.empty() && line.compare(0, named.size(), named) != 0) line = named + line;
    return line;
}

}  // namespace

ConsoleHost::ConsoleHost(SplitOptions options, std::string file, int number, int total, bool showProgress)
    : options_(std::move(options)), file_(std::move(file)), number_(number), total_(total), showProgress_(showProgress) {}

void ConsoleHost::showMessage(const std::string& text, const std::string& caption) {
    if (caption == successCaption) {
        succeeded_ = true;
        return;
    }
    endProgressLine();
    // A refused output folder is named in its text and concerns every file alike.
    const std::string line = failureLine(reachedFile_ ? file_ : std::string(), text);
    std::fprintf(stderr, "quillane-split: %s\n", line.c_str());
    std::fflush(stderr);
}

void ConsoleHost::setPosition(int pos) {
    if (!showProgress_ || pos <= 0 || pos > lastPosition) return;
    // Drawn over itself with a carriage return; two characters of bar per position.
    const std::string bar = std::string(static_cast<std::size_t>(pos) * 2, '#') +
                            std::string(static_cast<std::size_t>(lastPosition - pos) * 2, ' ');
    std::fprintf(stderr, "\rfile %d of %d  %s  [%s]", number_, total_, file_.c_str(), bar.c_str());
    progressLineOpen_ = true;
    if (pos == lastPosition) endProgressLine();
    std::fflush(stderr);
}

void ConsoleHost::endProgressLine() {
    if (!progressLineOpen_) return;
    std::fputc('\n', stderr);
    progressLineOpen_ = false;
}

}  // namespace quillane
