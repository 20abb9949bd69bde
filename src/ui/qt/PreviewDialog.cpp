#include "qt/PreviewDialog.h"

#include "app/DialogTemplate.h"
#include "app/WindowPlacement.h"
#include "preview/PictureFile.h"
#include "qt/LocalPaths.h"
#include "qt/ZoomController.h"
#include "qt/ZoomPane.h"
#include "scan/UserException.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFutureWatcher>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QImageWriter>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <exception>
#include <new>

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

// A picture for "Save picture...", or why there is none.
struct MadePicture {
    std::optional<RgbImage> picture;
    std::string failure;  // empty as well when stopped
};

template <typename Make>
MadePicture madeBy(Make make) {
    MadePicture made;
    try {
        made.picture = make();
    } catch (const PreviewStopped&) {
    } catch (const UserException& failure) {
        made.failure = failure.what();
    } catch (const std::bad_alloc&) {
        made.failure = "There is not enough memory to make this picture";
    } catch (const std::exception& failure) {
        made.failure = failure.what();
    }
    return made;
}

}  // namespace

PreviewDialog::PreviewDialog(MessageBoxes& messages, SettingsStore* settings, QWidget* parent)
    : QDialog(parent), messages_(messages), settings_(settings), zoom_(new ZoomController(this)) {
    setWindowTitle(qt(text::previewCaption));
    setSizeGripEnabled(true);
    file_ = new QLabel(this);
    summary_ = new QLabel(this);
    for (QLabel* label : {file_, summary_}) {
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);  // a long path does not widen the window
    }

    auto* grid = new QGridLayout;
    const char* titles[] = {text::redChannel, text::greenChannel, text::composite};
    for (int i = 0; i < 3; ++i) {
        grid->addWidget(new QLabel(qt(titles[i]), this), 0, i);
        panes_[i] = new ZoomPane(*zoom_, i, this);
        grid->addWidget(panes_[i], 1, i);
        grid->setColumnStretch(i, 1);
        connect(panes_[i], &ZoomPane::pointerMoved, this, &PreviewDialog::showStatus);
    }
    grid->setRowStretch(1, 1);
    status_ = new QLabel(this);
    status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(status_, 2, 0, 1, 3);
    for (int c = 0; c < 2; ++c) {
        histograms_[c] = new QLabel(this);
        figures_[c] = new QLabel(this);
        figures_[c]->setWordWrap(true);
        figures_[c]->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        figures_[c]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(histograms_[c], 3, c);
        grid->addWidget(figures_[c], 4, c);
    }
    logarithmic_ = new QCheckBox(qt(text::logarithmic), this);
    grid->addWidget(logarithmic_, 3, 2, Qt::AlignTop);

    pictureChoice_ = new QComboBox(this);
    pictureChoice_->addItems({qt(text::wholeScan), qt(text::currentView)});
    pictureSize_ = new QSpinBox(this);
    pictureSize_->setRange(1, static_cast<int>(PreviewRequest::largestPicture));
    pictureSize_->setValue(static_cast<int>(PreviewRequest::largestBox));
    pictureSize_->setSuffix(QStringLiteral(" ") + qt(text::pixels));
    auto* buttons = new QDialogButtonBox(this);
    save_ = buttons->addButton(qt(text::savePicture), QDialogButtonBox::ActionRole);
    buttons->addButton(qt(text::close), QDialogButtonBox::RejectRole);
    save_->setEnabled(false);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(pictureChoice_);
    bottom->addWidget(new QLabel(qt(text::longestSide), this));
    bottom->addWidget(pictureSize_);
    bottom->addWidget(buttons, 1);

    auto* page = new QVBoxLayout(this);
    page->addWidget(file_);
    page->addWidget(summary_);
    page->addLayout(grid, 1);
    page->addLayout(bottom);

    connect(logarithmic_, &QCheckBox::toggled, this, &PreviewDialog::showPictures);
    connect(save_, &QPushButton::clicked, this, &PreviewDialog::savePicture);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(zoom_, &ZoomController::viewChanged, this, [this] { showStatus(std::nullopt); });
    connect(zoom_, &ZoomController::failed, this, [this](const QString& text) { status_->setText(text); });
    panes_[2]->setFocus();
}

PreviewDialog::~PreviewDialog() {
    logic_.stop();
    if (pictureStop_) pictureStop_->store(true);
}

void PreviewDialog::follow(MainWindow& window, int entry) {
    if (const std::optional<PreviewWindow::Job> job = logic_.follow(window, entry)) start(*job);
    followed_ = entry;
}

// The window shows the new scan's name at once and its pictures once they are made; the
// pictures of the scan before are gone meanwhile, so that they are never taken for this one's.
void PreviewDialog::start(const PreviewWindow::Job& job) {
    setWindowTitle(QString::fromStdString(logic_.caption()));
    file_->setText(shownPath(job.path));
    file_->setToolTip(shownPath(job.path));
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

ToneCurve PreviewDialog::curve() const {
    return logarithmic_->isChecked() ? ToneCurve::logarithmic : ToneCurve::linear;
}

void PreviewDialog::showPictures() {
    const bool shown = page_ && page_->preview;
    save_->setEnabled(shown && !pictureStop_);
    if (!shown) {
        zoom_->showPage(nullptr, curve());
        for (int c = 0; c < 2; ++c) {
            histograms_[c]->clear();
            figures_[c]->clear();
        }
        status_->clear();
        return;
    }
    const bool samePage = zoom_->hasView() && page_->tiles.get() != nullptr;
    if (samePage && sender() == logarithmic_) zoom_->setCurve(curve());  // the view stays where it is
    else zoom_->showPage(&*page_, curve());
    const PreviewPictures pictures = picturesOf(*page_->preview, curve());
    for (int c = 0; c < 2; ++c) {
        histograms_[c]->setPixmap(QPixmap::fromImage(imageOf(pictures.histograms[c])));
        figures_[c]->setText(QString::fromStdString(pictures.figures[c]));
    }
    zoom_->refreshNow();
    showStatus(std::nullopt);
}

void PreviewDialog::showStatus(std::optional<QPointF> at) {
    if (!zoom_->hasView()) return;
    QString text = zoom_->statusAt(at);
    if (!at) text += QStringLiteral("   ") + qt(text::zoomHint);
    status_->setText(text);
}

// The composite along the curve shown, of the whole scan or the view, at most as large as asked:
// by default the picture quillane-split --preview writes. Made off the window's thread where it
// takes reading the scan, and written through Qt's own PNG writer; the file appears whole or not at all.
void PreviewDialog::savePicture() {
    if (!page_ || !page_->preview || pictureStop_) return;
    const QString chosen = QFileDialog::getSaveFileName(this, qt(text::savePicture), shownPath(logic_.pictureName()),
                                                        tr("PNG pictures (*.png)"));
    if (chosen.isEmpty()) return;
    // Only nothing or a PNG picture is replaced: asked before the picture is made and again
    // just before it takes the name.
    const std::string refusal = pictureRefusal(pathBytes(chosen), page_->preview->path);
    if (!refusal.empty()) {
        messages_.show(static_cast<QWidget*>(this), refusal, "Cannot save this picture");
        Q_EMIT pictureSaved();
        return;
    }
    const auto size = static_cast<std::uint32_t>(pictureSize_->value());
    const bool whole = pictureChoice_->currentIndex() == 0;
    if (whole && size == PreviewRequest::largestBox) {  // the page's own picture
        writePictureFile(chosen, compositePicture(*page_->preview, curve()));
        return;
    }
    pictureStop_ = std::make_shared<std::atomic<bool>>(false);
    save_->setEnabled(false);
    status_->setText(qt(text::pictureWorking));
    std::function<RgbImage(const std::atomic<bool>*)> make;
    if (whole) {
        const std::shared_ptr<const ScanPreview> preview = page_->preview;
        const ToneCurve tones = curve();
        make = [preview, size, tones](const std::atomic<bool>* stop) {
            const PreviewRequest request{size, size, preview->flip.has_value(), preview->flip == Diagonal::main};
            return compositePicture(previewScan(preview->path, request, stop), tones);
        };
    } else {
        make = zoom_->currentViewJob(size);
    }
    auto* watcher = new QFutureWatcher<MadePicture>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, chosen] {
        const MadePicture made = watcher->result();
        watcher->deleteLater();
        const bool stopped = pictureStop_->load();
        pictureStop_.reset();
        save_->setEnabled(page_ && page_->preview);
        showStatus(std::nullopt);
        if (stopped) return;
        if (made.picture) writePictureFile(chosen, *made.picture);
        else {
            messages_.show(static_cast<QWidget*>(this), made.failure, "Cannot save this picture");
            Q_EMIT pictureSaved();
        }
    });
    watcher->setFuture(QtConcurrent::run([make, stop = pictureStop_] { return madeBy([&] { return make(stop.get()); }); }));
}

void PreviewDialog::writePictureFile(const QString& chosen, const RgbImage& made) {
    const std::string scan = page_ && page_->preview ? page_->preview->path : std::string();
    const QImage picture = imageOf(made);
    QSaveFile file(chosen);
    QImageWriter writer(&file, "png");
    const bool written = file.open(QIODevice::WriteOnly) && writer.write(picture);
    const std::string late = written ? pictureRefusal(pathBytes(chosen), scan) : std::string();
    if (!late.empty()) {
        file.cancelWriting();
        messages_.show(static_cast<QWidget*>(this), late, "Cannot save this picture");
    } else if (!written || !file.commit()) {
        const QString reason = writer.error() != QImageWriter::UnknownError ? writer.errorString() : file.errorString();
        messages_.show(static_cast<QWidget*>(this), pathBytes(chosen) + " : " + reason.toStdString(), "Cannot save this picture");
    }
    Q_EMIT pictureSaved();
}

// Where it was last, on a screen that is still there; else as large as three pictures of 320
// pixels need, within the screen.
void PreviewDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (placed_) return;
    placed_ = true;
    const QRect area = (parentWidget() ? parentWidget()->screen() : screen())->availableGeometry();
    const WindowPlacement screenArea{area.x(), area.y(), area.width(), area.height(), false};
    WindowPlacement placement{area.x() + area.width() / 8, area.y() + area.height() / 10, 1100, 780, false};
    if (settings_)
        if (const std::optional<WindowPlacement> kept = readPlacement(*settings_, previewWindowPlacementSetting)) placement = *kept;
    const WindowPlacement fitted = placement.fittedTo(screenArea, minimumSizeHint().width(), minimumSizeHint().height());
    resize(fitted.width, fitted.height);
    move(fitted.left, fitted.top);
    if (fitted.maximized) showMaximized();
}

void PreviewDialog::hideEvent(QHideEvent* event) {
    logic_.stop();  // closed: nothing under way is wanted any more
    page_.reset();  // nor the tiles being read ahead; opened again, the window reads the scan anew
    zoom_->showPage(nullptr, curve());
    followed_ = -1;
    if (pictureStop_) pictureStop_->store(true);
    if (settings_) {
        const QRect shown = isMaximized() ? normalGeometry() : geometry();
        writePlacement(*settings_, previewWindowPlacementSetting, {shown.x(), shown.y(), shown.width(), shown.height(), isMaximized()});
    }
    QDialog::hideEvent(event);
}

}  // namespace quillane
