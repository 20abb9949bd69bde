#include "qt/PreviewDialog.h"

#include "app/DialogTemplate.h"
#include "preview/PictureFile.h"
#include "qt/LocalPaths.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFutureWatcher>
#include <QGridLayout>
#include <QImage>
#include <QImageWriter>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace quillane {
namespace {

QString qt(const char* text) {
    return QString::fromUtf8(text);
}

QImage imageOf(const RgbImage& picture) {
    return QImage(picture.pixels.data(), static_cast<int>(picture.width), static_cast<int>(picture.height),
                  static_cast<qsizetype>(picture.width) * 3, QImage::Format_RGB888)
        .copy();
}

// Scaled to its label, whole pixels kept sharp: a saturated mark stays a clear blue, not a tint.
QPixmap fitted(const RgbImage& picture, const QSize& box) {
    return QPixmap::fromImage(imageOf(picture).scaled(box, Qt::KeepAspectRatio, Qt::FastTransformation));
}

}  // namespace

PreviewDialog::PreviewDialog(MessageBoxes& messages, QWidget* parent) : QDialog(parent), messages_(messages) {
    setWindowTitle(qt(text::previewCaption));
    file_ = new QLabel(this);
    summary_ = new QLabel(this);
    for (QLabel* label : {file_, summary_}) label->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* grid = new QGridLayout;
    const char* titles[] = {text::redChannel, text::greenChannel, text::composite};
    for (int i = 0; i < 3; ++i) {
        grid->addWidget(new QLabel(qt(titles[i]), this), 0, i);
        pictures_[i] = new QLabel(this);
        pictures_[i]->setFixedSize(PreviewWindow::pictureBox, PreviewWindow::pictureBox);
        pictures_[i]->setAlignment(Qt::AlignCenter);
        pictures_[i]->setStyleSheet(QStringLiteral("background: black"));
        grid->addWidget(pictures_[i], 1, i);
    }
    for (int c = 0; c < 2; ++c) {
        histograms_[c] = new QLabel(this);
        figures_[c] = new QLabel(this);
        figures_[c]->setWordWrap(true);
        figures_[c]->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        figures_[c]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(histograms_[c], 2, c);
        grid->addWidget(figures_[c], 3, c);
    }
    logarithmic_ = new QCheckBox(qt(text::logarithmic), this);
    grid->addWidget(logarithmic_, 2, 2, Qt::AlignTop);

    auto* buttons = new QDialogButtonBox(this);
    save_ = buttons->addButton(qt(text::savePicture), QDialogButtonBox::ActionRole);
    buttons->addButton(qt(text::close), QDialogButtonBox::RejectRole);
    save_->setEnabled(false);

    auto* page = new QVBoxLayout(this);
    page->addWidget(file_);
    page->addWidget(summary_);
    page->addLayout(grid);
    page->addWidget(buttons);
    page->setSizeConstraint(QLayout::SetFixedSize);

    connect(logarithmic_, &QCheckBox::toggled, this, &PreviewDialog::showPictures);
    connect(save_, &QPushButton::clicked, this, &PreviewDialog::savePicture);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

PreviewDialog::~PreviewDialog() {
    logic_.stop();
}

void PreviewDialog::follow(MainWindow& window, int entry) {
    if (const std::optional<PreviewWindow::Job> job = logic_.follow(window, entry)) start(*job);
}

// The window shows the new scan's name at once and its pictures once they are made; the
// pictures of the scan before are gone meanwhile, so that they are never taken for this one's.
void PreviewDialog::start(const PreviewWindow::Job& job) {
    setWindowTitle(QString::fromStdString(logic_.caption()));
    file_->setText(shownPath(job.path));
    summary_->setText(qt(text::previewWorking));
    page_.reset();
    showPictures();
    auto* watcher = new QFutureWatcher<PreviewPage>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        showPage(watcher->result());
        watcher->deleteLater();
    });
    watcher->setFuture(QtConcurrent::run([job] { return job.run(); }));
}

void PreviewDialog::showPage(const PreviewPage& page) {
    if (!logic_.isCurrent(page)) return;  // replaced by a newer request meanwhile
    page_ = page;
    summary_->setText(QString::fromStdString(page.summary));
    showPictures();
    Q_EMIT pageShown();
}

void PreviewDialog::showPictures() {
    const bool shown = page_ && page_->preview;
    save_->setEnabled(shown);
    if (!shown) {
        for (QLabel* label : pictures_) label->clear();
        for (int c = 0; c < 2; ++c) {
            histograms_[c]->clear();
            figures_[c]->clear();
        }
        return;
    }
    const PreviewPictures pictures = picturesOf(*page_->preview, logarithmic_->isChecked() ? ToneCurve::logarithmic : ToneCurve::linear);
    for (int c = 0; c < 2; ++c) {
        pictures_[c]->setPixmap(fitted(pictures.channels[c], pictures_[c]->size()));
        histograms_[c]->setPixmap(QPixmap::fromImage(imageOf(pictures.histograms[c])));
        figures_[c]->setText(QString::fromStdString(pictures.figures[c]));
    }
    pictures_[2]->setPixmap(fitted(pictures.composite, pictures_[2]->size()));
}

// The composite along the curve shown, at the size quillane-split --preview writes it, through
// Qt's own PNG writer; the file appears whole or not at all.
void PreviewDialog::savePicture() {
    if (!page_ || !page_->preview) return;
    const QString chosen = QFileDialog::getSaveFileName(this, qt(text::savePicture), shownPath(logic_.pictureName()),
                                                        tr("PNG pictures (*.png)"));
    if (chosen.isEmpty()) return;
    // Only nothing or a PNG picture is replaced: asked before the picture is made and again
    // just before it takes the name.
    const std::string refusal = pictureRefusal(pathBytes(chosen), page_->preview->path);
    if (!refusal.empty()) {
        messages_.show(static_cast<QWidget*>(this), refusal, "Cannot save this picture");
        return;
    }
    const QImage picture = imageOf(compositePicture(*page_->preview, logarithmic_->isChecked() ? ToneCurve::logarithmic : ToneCurve::linear));
    QSaveFile file(chosen);
    QImageWriter writer(&file, "png");
    const bool written = file.open(QIODevice::WriteOnly) && writer.write(picture);
    const std::string late = written ? pictureRefusal(pathBytes(chosen), page_->preview->path) : std::string();
    if (!late.empty()) {
        file.cancelWriting();
        messages_.show(static_cast<QWidget*>(this), late, "Cannot save this picture");
    } else if (!written || !file.commit()) {
        const QString reason = writer.error() != QImageWriter::UnknownError ? writer.errorString() : file.errorString();
        messages_.show(static_cast<QWidget*>(this), pathBytes(chosen) + " : " + reason.toStdString(), "Cannot save this picture");
    }
}

void PreviewDialog::hideEvent(QHideEvent* event) {
    logic_.stop();  // closed: nothing under way is wanted any more
    QDialog::hideEvent(event);
}

}  // namespace quillane
