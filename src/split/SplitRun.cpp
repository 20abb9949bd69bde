#include "split/SplitRun.h"

#include "scan/ScanImage.h"
#include "scan/UserException.h"
#include "split/OutputNaming.h"

#include <memory>
#include <string>

namespace quillane {
namespace {

constexpr const char* failureCaption = "Cannot Split this tiff";
constexpr const char* unknownFailure = "An Unknown Exception occurred - please try again";
constexpr const char* fewerThanTwoChannels = "This file holds fewer than two channels and cannot be split";
constexpr int pauseAfterEachFile = 2000;  // milliseconds

// Shows the wait cursor for as long as it lives, so that every way out of an entry,
// failures included, withdraws it.
class WaitCursor {
public:
    explicit WaitCursor(SplitHost& host) : host_(host) { host_.beginWaitCursor(); }
    ~WaitCursor() { host_.endWaitCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    SplitHost& host_;
};

std::string folderRefusal(const std::string& folder) {
    return "The Output path (" + folder + ") is not a valid path. Please correct this and try again";
}

}  // namespace

void SplitRun(SplitHost& host, SplitPlatform& platform) {
    // The options are pulled from the window even when there is nothing to split.
    const SplitOptions options = host.readOptions();
    if (host.inputCount() == 0) return;

    // Test once that the output folder can be entered; the current directory is always put back.
    const bool intoFolder = !options.writeBack && !options.outputFolder.empty();
    if (intoFolder) {
        const std::string saved = platform.currentDirectory();
        const bool entered = platform.changeDirectory(options.outputFolder);
        if (!entered) host.showMessage(folderRefusal(options.outputFolder), failureCaption);
        platform.changeDirectory(saved);
        if (!entered) return;
    }

    ProgressSink& progress = host.progress();
    for (int i = 0; i < host.inputCount(); ++i) {
        // Everything an entry does is guarded: the scan and any flip buffer are owned by this
        // scope, so they are released and the wait cursor withdrawn before a handler runs.
        try {
            const std::string path = host.inputPath(i);
            host.selectInput(i);
            const auto [first, second] = composeOutputPaths(options, path);

            const WaitCursor waitCursor(host);
            host.setStatusText("Splitting:  " + path);
            host.redrawNow();
            progress.setRange(0, 10);

            const auto scan = std::make_unique<ScanImage>();
            scan->open(path);
            progress.setPosition(1);
            scan->parse();
            progress.setPosition(2);

            // Two channel files are written per input; a scan without a second channel would
            // yield a file made of samples it does not hold.
            if (scan->scannerRecord.channelCount < 2) throw UserException(path + " : " + fewerThanTwoChannels);

            // Each channel is flipped band by band as it is written, never copied whole first.
            if (options.flip) scan->flipWhenWritten(options.mainDiagonal);
            progress.setPosition(3);
            progress.setPosition(4);
            progress.setPosition(5);

            scan->writeChannel(first, 0);
            progress.setPosition(6);
            progress.setPosition(7);

            scan->writeChannel(second, 1);
            progress.setPosition(8);
            progress.setPosition(9);

            scan->close();
            progress.setPosition(10);
            platform.pause(pauseAfterEachFile);
        } catch (const UserException& failure) {
            progress.setPosition(0);
            host.showMessage(failure.what(), failureCaption);
            return;
        } catch (...) {
            progress.setPosition(0);
            host.showMessage(unknownFailure, failureCaption);
            return;
        }
    }

    host.showMessage("Successfully created files ", "Done!");
    progress.setPosition(0);
    host.setStatusText("");
    host.redrawNow();
}

}  // namespace quillane
