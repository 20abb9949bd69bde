// quillane-split: the split behind the window's button, for scripts and pipelines.
#include "cli/CommandLine.h"
#include "cli/InspectFiles.h"
#include "cli/PreviewFile.h"
#include "cli/Reporting.h"
#include "cli/SplitFiles.h"
#include "cli/WatchFiles.h"
#include "cli/WatchFolder.h"
#include "platform/CodePage.h"
#include "platform/OutputSignals.h"
#include "platform/Process.h"
#include "version/ProgramVersion.h"

#include <cstdio>
#include <string>
#include <vector>

#ifdef __MINGW32__
// Windows hands a program its command line unexpanded; MinGW's start-up code expands *.tif and
// the like in the arguments, as a Windows user expects of a console program, when asked to here.
extern "C" {
int _dowildcard = -1;  // NOLINT(bugprone-reserved-identifier): the name the runtime looks for
}
#endif

namespace {

constexpr int usageErrorStatus = 2;

std::string versionText() {
    return std::string(quillane::programVersionText) + " (" + quillane::ProductVersionText(quillane::programVersion) + ")";
}

int run(const quillane::CommandLine& commandLine) {
    using quillane::RunKind;
    switch (commandLine.kind) {
    case RunKind::check: return quillane::checkFiles(commandLine);
    case RunKind::info: return quillane::showInfo(commandLine);
    case RunKind::preview: return quillane::previewFile(commandLine);
    case RunKind::watch: return quillane::watchFolder(commandLine);
    case RunKind::history: return quillane::showHistory(commandLine);
    case RunKind::watchStatus: return quillane::showWatchStatus(commandLine);
    case RunKind::split: break;
    }
    // Progress is for a person at a terminal; a log file, a pipe or JSON reports get only the errors.
    const bool showProgress = !commandLine.quiet && !commandLine.json && quillane::standardErrorIsTerminal();
    return quillane::splitFiles(commandLine, showProgress);
}

}  // namespace

int main(int argc, char** argv) {
    // Ctrl-C, a kill or a hang-up while a file is written leave no temporary behind.
    quillane::undoUnfinishedOutputsOnSignals();
    quillane::showProgramTextOnConsole();  // the names it prints, as the program has them
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    quillane::CommandLine commandLine;
    try {
        commandLine = quillane::parseCommandLine(arguments);
    } catch (const quillane::UsageError& error) {
        std::fprintf(stderr, "quillane-split: %s\nTry 'quillane-split --help'.\n", error.what());
        return usageErrorStatus;
    }
    // Whatever a run prints on standard output must arrive whole: a script reads it, and a list
    // or report cut short (a full disk, a closed pipe) must not pass for a complete one.
    const auto finished = [](int status) { return quillane::finishStandardOutput() ? status : 1; };
    if (commandLine.help) {
        std::fputs(quillane::usageText, stdout);
        return finished(0);
    }
    if (commandLine.version) {
        std::printf("quillane-split %s\n", versionText().c_str());
        return finished(0);
    }
    // A pattern that matched nothing is said so, once, and the files that are there are split;
    // the status still tells that not everything asked for was found.
    const auto unmatched = std::erase_if(commandLine.files, [](const std::string& file) {
        if (!quillane::isUnmatchedWildcard(file)) return false;
        std::fprintf(stderr, "quillane-split: no file matches %s\n", file.c_str());
        return true;
    });
    if (commandLine.files.empty() && commandLine.watchFolder.empty()) return finished(1);
    const int status = run(commandLine);
    return finished(unmatched > 0 && status == 0 ? 1 : status);
}
