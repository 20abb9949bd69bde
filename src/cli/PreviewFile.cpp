#include "cli/PreviewFile.h"

#include "cli/Reporting.h"
#include "preview/PictureFile.h"
#include "preview/PreviewText.h"
#include "scan/ScannerRecord.h"

#include <cstdio>
#include <exception>

namespace quillane {

int previewFile(const CommandLine& commandLine) {
    const std::string& file = commandLine.files.front();
    const SplitOptions& options = commandLine.options;
    try {
        const ScanPreview preview =
            previewScan(file, {.boxWidth = PreviewRequest::largestBox, .boxHeight = PreviewRequest::largestBox,
                               .flip = options.flip, .mainDiagonal = options.mainDiagonal});
        writePicture(commandLine.previewPicture, compositePicture(preview, ToneCurve::linear));
        // Named as the channel files would be: channel 0 goes to Red<name>, channel 1 to Green<name>.
        for (int c = 0; c < 2; ++c) std::printf("%s: %s\n", channelNames[c], figuresLine(preview.channels[c].figures).c_str());
    } catch (const std::exception& failure) {  // the split's refusals, and a picture that cannot be written
        reportFailure(file, failure.what());
        return 1;
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        std::fputs("quillane-split: the figures could not be written in full\n", stderr);
        return 1;
    }
    return 0;
}

}  // namespace quillane
