#pragma once

#include "app/Choosers.h"
#include "app/PreviewWindow.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QLabel;
class QPushButton;

namespace quillane {

class MainWindow;

// The preview window: the red channel, the green channel and their composite side by side as
// the split would write them, saturated pixels marked, each channel's histogram and figures,
// and the scan's name, size and pixel size. It is made on QtConcurrent's threads; a newer
// request replaces an older one, whose page is then dropped.
class PreviewDialog : public QDialog {
    Q_OBJECT
public:
    PreviewDialog(MessageBoxes& messages, QWidget* parent);
    ~PreviewDialog() override;

    // Shows the main window's list entry `entry` with its flip options as they are set, starting
    // the work when that is not what is shown already.
    void follow(MainWindow& window, int entry);

    QLabel* fileLabel() const { return file_; }
    QLabel* summaryLabel() const { return summary_; }
    QLabel* pictureLabel(int i) const { return pictures_[i]; }  // red, green, composite
    QLabel* figuresLabel(int channel) const { return figures_[channel]; }
    QCheckBox* logarithmicBox() const { return logarithmic_; }
    QPushButton* saveButton() const { return save_; }

Q_SIGNALS:
    // A page was shown, the scan's or its refusal.
    void pageShown();

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void start(const PreviewWindow::Job& job);
    void showPage(const PreviewPage& page);
    void showPictures();
    void savePicture();

    MessageBoxes& messages_;
    PreviewWindow logic_;
    std::optional<PreviewPage> page_;
    QLabel* file_ = nullptr;
    QLabel* summary_ = nullptr;
    QLabel* pictures_[3] = {};
    QLabel* histograms_[2] = {};
    QLabel* figures_[2] = {};
    QCheckBox* logarithmic_ = nullptr;
    QPushButton* save_ = nullptr;
};

}  // namespace quillane
