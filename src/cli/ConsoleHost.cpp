#include "cli/ConsoleHost.h"

#include <cstdio>
#include <utility>

namespace quillane {
namespace {

constexpr int lastPosition = 10;  // the run's positions go from 0 to 10

}  // namespace

ConsoleHost::ConsoleHost(SplitOptions options, std::vector<std::string> files, bool showProgress, Report report)
    : options_(std::move(options)), files_(std::move(files)), showProgress_(showProgress), report_(std::move(report)) {}

void ConsoleHost::showMessage(const std::string&, const std::string&) {
    endProgressLine();
}

void ConsoleHost::inputDone(const InputOutcome& outcome) {
    endProgressLine();
    shownPosition_ = -1;
    if (report_) report_(outcome);
}

void ConsoleHost::setPosition(int pos) {
    // Long work repeats its position now and then; the bar moves only with the stages.
    if (!showProgress_ || pos <= 0 || pos > lastPosition || pos == shownPosition_) return;
    shownPosition_ = pos;
    // Drawn over itself with a carriage return; two characters of bar per position.
    const std::string bar = std::string(static_cast<std::size_t>(pos) * 2, '#') +
                            std::string(static_cast<std::size_t>(lastPosition - pos) * 2, ' ');
    std::fprintf(stderr, "\rfile %d of %zu  %s  [%s]", current_ + 1, files_.size(), inputPath(current_).c_str(),
                 bar.c_str());
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
