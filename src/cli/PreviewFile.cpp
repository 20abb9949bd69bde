#include "cli/PreviewFile.h"

#include "cli/Reporting.h"
#include "preview/PictureFile.h"
#include "preview/PreviewText.h"
#include "scan/ScannerRecord.h"
#include "scan/UserException.h"

#include <cstdio>
#include <exception>
#include <string>
#include <utility>

namespace quillane {

int previewFile(const CommandLine& commandLine) {
    const std::string& file = commandLine.files.front();
    const SplitOptions& options = commandLine.options;
    FileReport report{.input = file, .outputs = std::nullopt, .status = "previewed", .message = {}, .changed = std::nullopt,
                      .scan = std::nullopt, .withTexts = false, .flip = options, .seconds = std::nullopt, .time = {},
                      .picture = commandLine.previewPicture, .figures = {}};
    try {
        // Refused before the scan is read, and again as the picture is written.
        if (std::string refusal = pictureRefusal(commandLine.previewPicture, file); !refusal.empty())
            throw UserException(std::move(refusal));
        const ScanPreview preview =
            previewScan(file, {.boxWidth = commandLine.previewSize, .boxHeight = commandLine.previewSize,
                               .flip = options.flip, .mainDiagonal = options.mainDiagonal});
        writePicture(commandLine.previewPicture, compositePicture(preview, ToneCurve::linear), file);
        report.figures = {preview.channels[0].figures, preview.channels[1].figures};
    } catch (const std::exception& failure) {  // the split's refusals, and a picture that cannot be written
        reportFailure(file, failure.what());
        report.status = "refused";
        report.message = failureLine(file, failure.what());
    }
    if (commandLine.json) {
        writeLine(jsonLine(report));
    } else {
        // Named as the channel files would be: channel 0 goes to Red<name>, channel 1 to Green<name>.
        for (std::size_t c = 0; c < report.figures.size(); ++c)
            writeLine(std::string(channelNames[c]) + ": " + figuresLine(report.figures[c]));
    }
    return report.figures.empty() ? 1 : 0;
}

}  // namespace quillane
