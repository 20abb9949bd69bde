// The split run from a shell, for timing it beside other tools: the program itself has no
// command line, so this stands in for the window with the same options and no pause.
//   quillane_split [--flip main|opposite] [--output FOLDER] INPUT...
// Without --output the channel files go beside each input. Exits 0 after "Done!", 1 after a
// failure message (printed), 2 on a usage error.
#include "SplitDriver.h"
#include "split/SplitRun.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    quillane::SplitOptions options;
    options.writeBack = true;
    std::vector<std::string> inputs;
    bool usable = true;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--flip" && i + 1 < argc) {
            const std::string which = argv[++i];
            options.flip = true;
            options.mainDiagonal = which == "main";
            usable = usable && (which == "main" || which == "opposite");
        } else if (argument == "--output" && i + 1 < argc) {
            options.outputFolder = argv[++i];
            options.writeBack = false;
        } else {
            inputs.push_back(argument);
        }
    }
    if (!usable || inputs.empty()) {
        std::fprintf(stderr, "usage: %s [--flip main|opposite] [--output FOLDER] INPUT...\n", argv[0]);
        return 2;
    }
    quillane::bench::NullSplitHost host(options, inputs);
    quillane::bench::NoPausePlatform platform;
    quillane::SplitRun(host, platform);
    if (host.done()) return 0;
    std::fprintf(stderr, "%s\n", host.lastMessage().c_str());
    return 1;
}
