#pragma once

#include "preview/ScanPreview.h"
#include "preview/TileMaker.h"
#include "preview/ToneMapping.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace quillane {

class MainWindow;

// What the preview window shows of one scan, made off the window's thread: the scan reduced as
// the split would write it, or the split's refusal.
struct PreviewPage {
    std::uint64_t request = 0;  // the request it answers
    std::string path;
    std::string summary;  // scanSummary, or the refusal's text
    std::shared_ptr<const ScanPreview> preview;  // none when refused
    std::shared_ptr<const TileMaker> tiles;       // the scan held open for zooming, with the preview
};

// The pictures and texts of a page along a tone curve, ready to be shown.
struct PreviewPictures {
    RgbImage channels[2];
    RgbImage composite;
    RgbImage histograms[2];
    std::string figures[2];
};
PreviewPictures picturesOf(const ScanPreview& preview, ToneCurve curve);

// The preview window without its toolkit: the scan and flip it follows, the work for a thread of
// the front end's, and which finished page is still wanted. A newer request replaces an older
// one: the older one's work is told to stop, and its page, should it still come, is not shown.
class PreviewWindow {
public:
    // The work for one request, everything it needs copied, to be run on another thread.
    struct Job {
        std::uint64_t request = 0;
        std::string path;
        PreviewRequest options;
        std::shared_ptr<std::atomic<bool>> stop;

        PreviewPage run() const;
    };

    // Each picture is shown in a box this large, in pixels, scaled down from the picture the page
    // holds: the one `quillane-split --preview` writes, which "Save picture..." writes too.
    static constexpr std::uint32_t pictureBox = 320;

    // The main window's list entry `entry` with the flip options as they are set: the job that
    // makes its page, or none when that is what the window already shows or is making.
    std::optional<Job> follow(MainWindow& window, int entry);
    std::optional<Job> follow(const std::string& path, bool flip, bool mainDiagonal);
    // Whether a finished page is the one the window waits for.
    bool isCurrent(const PreviewPage& page) const { return page.request == latest_; }
    // The window closes: the work under way stops, and no page of it is wanted.
    void stop();

    // The window's caption for the scan it follows, and where "Save picture..." proposes to
    // write its picture: beside the scan, named after it and the flip.
    std::string caption() const;
    std::string pictureName() const;

private:
    std::uint64_t latest_ = 0;
    std::string path_;
    bool flip_ = false;
    bool mainDiagonal_ = false;
    std::shared_ptr<std::atomic<bool>> stop_;  // the latest request's; none once stopped
};

}  // namespace quillane
