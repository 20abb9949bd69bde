#include "cli/ConsoleHost.h"

#include <cstdio>
#include <utility>

namespace quillane {
namespace {

constexpr int lastPosition = 10;  // the run's positions go from 0 to 10

}  // namespace

ConsoleHost::ConsoleHost(SplitOptions options, std::string file, int number, int total, bool showProgress)
    : options_(std::move(options)), file_(std::move(file)), number_(number), total_(total), showProgress_(showProgress) {}

void ConsoleHost::showMessage(const std::string&, const std::string&) {
    endProgressLine();
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
