#include "app/PreviewWindow.h"

#include "app/MainWindow.h"
#include "preview/PreviewText.h"
#include "scan/UserException.h"
#include "split/OutputNaming.h"

#include <exception>
#include <new>

namespace quillane {
namespace {

constexpr std::uint32_t histogramWidth = 256;
constexpr std::uint32_t histogramHeight = 48;
constexpr Rgb histogramColours[2] = {{230, 60, 50}, {60, 200, 70}};

}  // namespace

PreviewPictures picturesOf(const ScanPreview& preview, ToneCurve curve) {
    PreviewPictures pictures;
    for (int c = 0; c < 2; ++c) {
        pictures.channels[c] = channelPicture(preview, c, curve);
        pictures.histograms[c] = histogramPicture(preview.channels[c].figures, histogramWidth, histogramHeight, histogramColours[c]);
        pictures.figures[c] = figuresLine(preview.channels[c].figures);
    }
    pictures.composite = compositePicture(preview, curve);
    return pictures;
}

// A refusal is a page too: the window says why it shows no pictures.
PreviewPage PreviewWindow::Job::run() const {
    PreviewPage page;
    page.request = request;
    page.path = path;
    try {
        auto preview = std::make_shared<ScanPreview>(previewScan(path, options, stop.get()));
        page.tiles = std::make_shared<const TileMaker>(path, preview->flip);
        page.summary = scanSummary(*preview);
        page.preview = std::move(preview);
    } catch (const PreviewStopped&) {
        page.summary.clear();  // replaced meanwhile: nobody waits for it
    } catch (const UserException& failure) {
        page.summary = failure.what();
    } catch (const std::bad_alloc&) {
        page.summary = path + " : There is not enough memory to preview this file";
    } catch (const std::exception& failure) {
        page.summary = path + " : " + failure.what();
    }
    return page;
}

std::optional<PreviewWindow::Job> PreviewWindow::follow(MainWindow& window, int entry) {
    if (entry < 0 || entry >= window.inputCount()) return std::nullopt;
    return follow(window.inputPath(entry), window.flip != 0, window.mainDiagonal == 0);
}

std::optional<PreviewWindow::Job> PreviewWindow::follow(const std::string& path, bool flip, bool mainDiagonal) {
    // The diagonal matters only with the flip on.
    if (stop_ && path == path_ && flip == flip_ && (!flip || mainDiagonal == mainDiagonal_)) return std::nullopt;
    stop();
    path_ = path;
    flip_ = flip;
    mainDiagonal_ = mainDiagonal;
    stop_ = std::make_shared<std::atomic<bool>>(false);
    return Job{++latest_, path, {PreviewRequest::largestBox, PreviewRequest::largestBox, flip, mainDiagonal}, stop_};
}

void PreviewWindow::stop() {
    if (stop_) stop_->store(true);
    stop_.reset();
    ++latest_;  // whatever is under way now answers a request nobody waits for
}

std::string PreviewWindow::caption() const {
    return "Quillane preview: " + FileNamePart(path_);
}

std::string PreviewWindow::pictureName() const {
    const std::string name = FileNamePart(path_);
    const std::string stem = name.substr(0, name.find_last_of('.'));
    return DriveAndDirectory(path_) + stem +
           flipSuffix({.outputFolder = {}, .writeBack = true, .flip = flip_, .mainDiagonal = mainDiagonal_, .keepGoing = false}) + "_preview.png";
}

}  // namespace quillane
