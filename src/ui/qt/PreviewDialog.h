#pragma once

#include "app/Choosers.h"
#include "app/PreviewWindow.h"
#include "app/SettingsStore.h"

#include <QDialog>

#include <atomic>
#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace quillane {

class MainWindow;
class ZoomController;
class ZoomPane;

// The preview window: the red channel, the green channel and their composite side by side as
// the split would write them, saturated pixels marked, zoomed and moved together from fit to
// 8 : 1; the values under the pointer on a status line; each channel's histogram and figures,
// and the scan's name, size and pixel size. The page is made on QtConcurrent's threads, a newer
// request replacing an older one, whose page is then dropped; the zoomed views' tiles on a
// thread of their own. The window is resizable; its size and place are remembered.
class PreviewDialog : public QDialog {
    Q_OBJECT
public:
    PreviewDialog(MessageBoxes& messages, SettingsStore* settings, QWidget* parent);
    ~PreviewDialog() override;

    // Shows the main window's list entry `entry` with its flip options as they are set, starting
    // the work when that is not what is shown already.
    void follow(MainWindow& window, int entry);
    // The list entry the window follows, or -1.
    int followedEntry() const { return followed_; }

    QLabel* fileLabel() const { return file_; }
    QLabel* summaryLabel() const { return summary_; }
    ZoomPane* pane(int i) const { return panes_[i]; }  // red, green, composite
    ZoomController& zoom() const { return *zoom_; }
    QLabel* statusLabel() const { return status_; }
    QLabel* figuresLabel(int channel) const { return figures_[channel]; }
    QCheckBox* logarithmicBox() const { return logarithmic_; }
    QComboBox* pictureChoice() const { return pictureChoice_; }  // the whole scan or the current view
    QSpinBox* pictureSize() const { return pictureSize_; }
    QPushButton* saveButton() const { return save_; }

Q_SIGNALS:
    // A page was shown, the scan's or its refusal.
    void pageShown();
    // A picture was saved, or could not be.
    void pictureSaved();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void start(const PreviewWindow::Job& job);
    void showPage(const PreviewPage& page);
    void showPictures();
    void showStatus(std::optional<QPointF> at);
    ToneCurve curve() const;
    void savePicture();
    void writePictureFile(const QString& chosen, const RgbImage& picture);

    MessageBoxes& messages_;
    SettingsStore* settings_;
    PreviewWindow logic_;
    std::optional<PreviewPage> page_;
    int followed_ = -1;
    ZoomController* zoom_ = nullptr;
    QLabel* file_ = nullptr;
    QLabel* summary_ = nullptr;
    ZoomPane* panes_[3] = {};
    QLabel* status_ = nullptr;
    QLabel* histograms_[2] = {};
    QLabel* figures_[2] = {};
    QCheckBox* logarithmic_ = nullptr;
    QComboBox* pictureChoice_ = nullptr;
    QSpinBox* pictureSize_ = nullptr;
    QPushButton* save_ = nullptr;
    std::shared_ptr<std::atomic<bool>> pictureStop_;  // the picture being made for "Save picture..."
    bool placed_ = false;
};

}  // namespace quillane
