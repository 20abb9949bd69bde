#include "cli/SplitFiles.h"

#include "cli/ConsoleHost.h"
#include "split/OutputNaming.h"
#include "split/SplitRun.h"

#include <cstdio>
#include <string>
#include <vector>

namespace quillane {

int splitFiles(const CommandLine& commandLine, bool showProgress) {
    ConsolePlatform platform;
    const int total = static_cast<int>(commandLine.files.size());
    std::vector<std::string> failures;
    bool outputFolderRefused = false;
    for (int i = 0; i < total; ++i) {
        const std::string& file = commandLine.files[static_cast<std::size_t>(i)];
        ConsoleHost host(commandLine.options, file, i + 1, total, showProgress);
        SplitRun(host, platform);
        if (host.succeeded()) {
            const OutputPaths written = composeOutputPaths(commandLine.options, file);
            std::printf("%s\n%s\n", written.first.c_str(), written.second.c_str());
            std::fflush(stdout);
            continue;
        }
        failures.push_back(file);
        // A folder that cannot be entered refuses every file alike: once is enough.
        outputFolderRefused = host.refusedOutputFolder();
        if (outputFolderRefused || !commandLine.keepGoing) break;
    }

    if (commandLine.keepGoing && !outputFolderRefused && !failures.empty()) {
        std::fprintf(stderr, "quillane-split: %zu of %d files not split:\n", failures.size(), total);
        for (const std::string& file : failures) std::fprintf(stderr, "  %s\n", file.c_str());
    }
    // A script reads the written files from this list: a list cut short (a full disk, a closed
    // pipe) must not pass for a complete one.
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        std::fputs("quillane-split: the list of written files could not be written in full\n", stderr);
        return 1;
    }
    return failures.empty() ? 0 : 1;
}

}  // namespace quillane
