#include "qt/MainDialog.h"

#include "app/DialogTemplate.h"
#include "app/WindowPlacement.h"
#include "qt/ElidedPath.h"
#include "qt/LocalPaths.h"
#include "qt/PreviewDialog.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace quillane {
namespace {

QString qt(const char* text) {
    return QString::fromUtf8(text);
}

// The bytes an edit's text stands for, kept beside it: a path that is not UTF-8 shows with
// U+FFFD, and is given back as it was set for as long as the edit shows what it showed then.
constexpr const char* bytesProperty = "quillanePathBytes";

QByteArray byteArray(const std::string& bytes) {
    return {bytes.data(), static_cast<qsizetype>(bytes.size())};
}

std::string bytesOf(const QByteArray& bytes) {
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

QLabel* picture(const QString& resource, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setPixmap(QPixmap(resource));
    return label;
}

// The local files a drag carries; links to anything else are no files of this computer.
std::vector<std::string> localFiles(const QMimeData* data) {
    std::vector<std::string> files;
    if (!data || !data->hasUrls()) return files;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) files.push_back(localPathBytes(url));
    }
    return files;
}

// A drop is always taken as a copy, whatever the source proposes: a file manager that is told
// "moved" deletes the user's scans. A source that offers no copy is turned away.
bool takenAsCopy(QDropEvent* event) {
    if (!(event->possibleActions() & Qt::CopyAction) || localFiles(event->mimeData()).empty()) {
        event->ignore();
        return false;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
}

}  // namespace

void FolderEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    Q_EMIT focusLost();
}

StatusLine::StatusLine(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
    setFrame(false);
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) { setToolTip(text); });
}

void StatusLine::paintEvent(QPaintEvent* event) {
    const QRect room = contentsRect().adjusted(2, 0, -2, 0);  // QLineEdit's own margin
    if (fontMetrics().horizontalAdvance(text()) <= room.width()) return QLineEdit::paintEvent(event);
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    painter.drawText(room, Qt::AlignLeft | Qt::AlignVCenter, elidedPath(text(), fontMetrics(), room.width()));
}

MainDialog::MainDialog(const WindowServices& services, const std::vector<std::string>& startupFiles, QWidget* parent)
    : QDialog(parent), messages_(*services.messages), settings_(services.settings), window_(*this, services) {
    setWindowTitle(qt(text::mainCaption));
    setWindowIcon(QIcon(QStringLiteral(":/quillane.ico")));
    setAcceptDrops(true);
    createControls();
    arrangeControls();
    connectHandlers();
    connectPreview();
    window_.OnInitDialog();
    if (!startupFiles.empty()) window_.OnOpenFiles(startupFiles);
    split_->setFocus();  // the first tab stop
}

MainDialog::~MainDialog() {
    // The edit loses the focus while the widgets are torn down, after the logic is gone.
    outputFolder_->disconnect(this);
}

// The controls in the template's order, which is also the tab order.
void MainDialog::createControls() {
    split_ = new QPushButton(qt(text::split), this);
    split_->setDefault(true);
    cancel_ = new QPushButton(qt(text::cancel), this);
    browseInput_ = new QPushButton(qt(text::browse), this);
    browseOutput_ = new QPushButton(qt(text::browse), this);
    outputFolder_ = new FolderEdit(this);

    progress_ = new QProgressBar(this);
    progress_->setTextVisible(false);
    progress_->setRange(0, 100);
    progress_->setValue(0);

    inputList_ = new QListWidget(this);
    inputList_->setSelectionMode(QAbstractItemView::NoSelection);
    // A long path shows its folders' beginning and its file's name; the whole on hover.
    inputList_->setItemDelegate(new ElidedPathDelegate(inputList_));
    inputList_->setTextElideMode(Qt::ElideMiddle);
    inputList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    inputList_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    flip_ = new QCheckBox(qt(text::flip), this);
    mainDiagonal_ = new QRadioButton(qt(text::mainDiagonal), this);
    oppositeDiagonal_ = new QRadioButton(qt(text::oppositeDiagonal), this);
    // Tab reaches the checked one of the two, while Flip is on; the arrow keys choose the other.
    for (QRadioButton* radio : {mainDiagonal_, oppositeDiagonal_}) radio->setEnabled(false);
    diagonals_ = new QButtonGroup(this);
    diagonals_->addButton(mainDiagonal_, idMainDiagonal);
    diagonals_->addButton(oppositeDiagonal_, idOppositeDiagonal);

    writeBack_ = new QCheckBox(qt(text::writeBack), this);

    status_ = new StatusLine(this);
    QPalette palette = status_->palette();  // a status line, on the dialog's own background
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    status_->setPalette(palette);
    // Selected or copied, a status longer than the line starts at its beginning, "Splitting:".
    connect(status_, &QLineEdit::textChanged, status_, [this] { status_->setCursorPosition(0); });
    // A folder longer than its box can be read whole on hover.
    connect(outputFolder_, &QLineEdit::textChanged, outputFolder_, [this](const QString& text) { outputFolder_->setToolTip(text); });

    QWidget* order[] = {split_, cancel_, browseInput_, browseOutput_, outputFolder_, inputList_,
                        flip_, mainDiagonal_, oppositeDiagonal_, writeBack_, status_};
    for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

// Input list, flip options, output folder, the two buttons, the status line and the bar, top
// to bottom, as the template arranges them; sized by the font rather than in pixels. The window
// is resizable: the list takes the height and width it is given, the rest the width.
void MainDialog::arrangeControls() {
    const QFontMetrics metrics(font());
    inputList_->setMinimumWidth(metrics.averageCharWidth() * 30);
    inputList_->setMinimumHeight(metrics.height() * 3 + 2 * inputList_->frameWidth());
    outputFolder_->setMinimumWidth(metrics.averageCharWidth() * 20);

    auto* inputGroup = new QGroupBox(qt(text::inputGroup), this);
    auto* inputRow = new QHBoxLayout(inputGroup);
    inputRow->addWidget(inputList_, 1);
    inputRow->addWidget(browseInput_, 0, Qt::AlignVCenter);

    auto* flipGroup = new QGroupBox(qt(text::flipGroup), this);
    auto* flipRow = new QHBoxLayout(flipGroup);
    flipRow->addWidget(flip_, 0, Qt::AlignVCenter);
    flipRow->addStretch(1);
    auto* diagonalGrid = new QGridLayout;
    diagonalGrid->addWidget(mainDiagonal_, 0, 0);
    diagonalGrid->addWidget(picture(QStringLiteral(":/main-diagonal.bmp"), flipGroup), 0, 1);
    diagonalGrid->addWidget(oppositeDiagonal_, 1, 0);
    diagonalGrid->addWidget(picture(QStringLiteral(":/opposite-diagonal.bmp"), flipGroup), 1, 1);
    flipRow->addLayout(diagonalGrid);
    flipRow->addSpacing(metrics.averageCharWidth() * 4);

    auto* outputGroup = new QGroupBox(qt(text::outputGroup), this);
    auto* outputColumn = new QVBoxLayout(outputGroup);
    outputColumn->addWidget(writeBack_);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(outputFolder_, 1);
    folderRow->addWidget(browseOutput_);
    outputColumn->addLayout(folderRow);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(2);
    buttons->addWidget(split_);
    buttons->addStretch(3);
    buttons->addWidget(cancel_);
    buttons->addStretch(2);

    auto* page = new QVBoxLayout(this);
    page->addWidget(inputGroup, 1);
    page->addWidget(flipGroup);
    page->addWidget(outputGroup);
    page->addLayout(buttons);
    page->addWidget(status_);
    page->addWidget(progress_);
    setSizeGripEnabled(true);
    // Six paths of 60 characters before it is first resized.
    resize(std::max(sizeHint().width(), metrics.averageCharWidth() * 60 + 2 * metrics.height()),
           sizeHint().height() + metrics.height() * 3);

    auto* menus = new QMenuBar(this);
    helpMenu_ = menus->addMenu(tr("&Help"));
    page->setMenuBar(menus);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

void MainDialog::connectHandlers() {
    connect(split_, &QPushButton::clicked, this, [this] { window_.OnOK(); });
    connect(cancel_, &QPushButton::clicked, this, &MainDialog::reject);
    connect(browseInput_, &QPushButton::clicked, this, [this] { window_.OnBrowseInput(); });
    connect(browseOutput_, &QPushButton::clicked, this, [this] { window_.OnBrowseOutput(); });
    connect(flip_, &QCheckBox::clicked, this, [this] { window_.OnFlipClicked(); });
    connect(diagonals_, &QButtonGroup::idClicked, this, [this](int id) {
        if (id == idMainDiagonal) window_.OnMainDiagonalClicked();
        else window_.OnOppositeDiagonalClicked();
    });
    connect(writeBack_, &QCheckBox::clicked, this, [this] { window_.OnWriteBackClicked(); });
    // Leaving the output folder box, however it happens, keeps the store level with it.
    connect(outputFolder_, &QLineEdit::editingFinished, this, [this] { window_.OnOutputFolderKillFocus(); });
    connect(outputFolder_, &FolderEdit::focusLost, this, [this] { window_.OnOutputFolderKillFocus(); });
}

// Double-click, the list's context menu or Space on the list open the preview; the list's
// current entry and the flip options, once the window's own handlers have run, lead it.
void MainDialog::connectPreview() {
    previewAction_ = new QAction(qt(text::preview), inputList_);
    inputList_->addAction(previewAction_);
    inputList_->installEventFilter(this);  // Space, which the list would take for itself as a shortcut
    inputList_->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(previewAction_, &QAction::triggered, this, [this] { openPreview(inputList_->currentRow()); });
    connect(inputList_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) { openPreview(inputList_->row(item)); });
    connect(inputList_, &QListWidget::currentRowChanged, this, &MainDialog::followInPreview);
    connect(flip_, &QCheckBox::clicked, this, &MainDialog::followInPreview);
    connect(diagonals_, &QButtonGroup::idClicked, this, &MainDialog::followInPreview);
}

bool MainDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == inputList_ && event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space &&
        static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
        previewAction_->trigger();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void MainDialog::openPreview(int row) {
    if (inputList_->count() == 0) return;
    if (row < 0) row = 0;
    if (inputList_->currentRow() != row) inputList_->setCurrentRow(row);
    if (!preview_) {
        preview_ = new PreviewDialog(messages_, settings_, this);
        connect(preview_, &QDialog::finished, this, &MainDialog::markEntries);
    }
    preview_->show();
    preview_->raise();
    preview_->activateWindow();
    preview_->follow(window_, row);
    markEntries();
}

void MainDialog::followInPreview() {
    if (preview_ && preview_->isVisible()) preview_->follow(window_, inputList_->currentRow());
    markEntries();
}

void MainDialog::markEntries() {
    const int previewed = preview_ && preview_->isVisible() ? preview_->followedEntry() : -1;
    const int underWay = window_.running() ? inputList_->currentRow() : -1;
    const QColor tint = palette().color(QPalette::Highlight).lighter(170);
    for (int row = 0; row < inputList_->count(); ++row) {
        QListWidgetItem* item = inputList_->item(row);
        QFont font = inputList_->font();
        font.setBold(row == underWay);
        item->setFont(font);
        item->setBackground(row == previewed ? QBrush(tint) : QBrush());
    }
}

// Where it was last, on a screen that is still there.
void MainDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (placed_ || !settings_) return;
    placed_ = true;
    const std::optional<WindowPlacement> kept = readPlacement(*settings_, mainWindowPlacementSetting);
    if (!kept) return;
    const QRect area = screen()->availableGeometry();
    const WindowPlacement fitted = kept->fittedTo({area.x(), area.y(), area.width(), area.height(), false},
                                                  minimumSizeHint().width(), minimumSizeHint().height());
    resize(fitted.width, fitted.height);
    move(fitted.left, fitted.top);
    if (fitted.maximized) showMaximized();
}

void MainDialog::hideEvent(QHideEvent* event) {
    if (settings_) {
        const QRect shown = isMaximized() ? normalGeometry() : QRect(pos(), size());
        writePlacement(*settings_, mainWindowPlacementSetting, {shown.x(), shown.y(), shown.width(), shown.height(), isMaximized()});
    }
    QDialog::hideEvent(event);
}

void MainDialog::reject() {
    window_.OnCancel();
}

// During a run a drop does nothing, so no stage of the drag is taken.
void MainDialog::dragEnterEvent(QDragEnterEvent* event) {
    if (window_.running())
        event->ignore();
    else
        takenAsCopy(event);
}

void MainDialog::dragMoveEvent(QDragMoveEvent* event) {
    if (window_.running())
        event->ignore();
    else
        takenAsCopy(event);
}

void MainDialog::dropEvent(QDropEvent* event) {
    if (window_.running())
        event->ignore();
    else if (takenAsCopy(event))
        window_.OnDropFiles(localFiles(event->mimeData()));
}

QWidget* MainDialog::widgetFor(int id) const {
    switch (id) {
    case idOk: return split_;
    case idCancel: return cancel_;
    case idBrowseInput: return browseInput_;
    case idBrowseOutput: return browseOutput_;
    case idOutputFolder: return outputFolder_;
    case idProgress: return progress_;
    case idInputList: return inputList_;
    case idFlip: return flip_;
    case idMainDiagonal: return mainDiagonal_;
    case idOppositeDiagonal: return oppositeDiagonal_;
    case idWriteBack: return writeBack_;
    case idStatus: return status_;
    default: return nullptr;
    }
}

QAbstractButton* MainDialog::buttonFor(int id) const {
    return qobject_cast<QAbstractButton*>(widgetFor(id));
}

QLineEdit* MainDialog::editFor(int id) const {
    return qobject_cast<QLineEdit*>(widgetFor(id));
}

WindowHandle MainDialog::handle() {
    return static_cast<QWidget*>(this);
}

std::string MainDialog::windowText() {
    return windowTitle().toStdString();
}

void MainDialog::setWindowText(const std::string& text) {
    setWindowTitle(QString::fromStdString(text));
}

void MainDialog::addMenuCommand(unsigned command, const std::string& text) {
    auto* action = new QAction(QString::fromStdString(text), this);
    connect(action, &QAction::triggered, this, [this, command] { window_.OnSysCommand(command); });
    helpMenu_->addAction(action);
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    addActions({separator, action});  // the context menu, where the window menu's items used to be
}

std::string MainDialog::text(int id) {
    const QLineEdit* edit = editFor(id);
    if (!edit) return {};
    std::string kept = bytesOf(edit->property(bytesProperty).toByteArray());
    if (shownPath(kept) == edit->text()) return kept;
    return pathBytes(edit->text());  // typed, or changed since
}

void MainDialog::setText(int id, const std::string& text) {
    QLineEdit* edit = editFor(id);
    if (!edit) return;
    edit->setProperty(bytesProperty, byteArray(text));
    edit->setText(shownPath(text));
}

bool MainDialog::isChecked(int id) {
    const QAbstractButton* button = buttonFor(id);
    return button && button->isChecked();
}

void MainDialog::setChecked(int id, bool checked) {
    QAbstractButton* button = buttonFor(id);
    if (!button || button->isChecked() == checked) return;
    // An exclusive group will not let its checked button go; the flip box clears both diagonals.
    const bool leavingGroup = !checked && button->group() && button->group()->exclusive();
    if (leavingGroup) button->group()->setExclusive(false);
    button->setChecked(checked);
    if (leavingGroup) button->group()->setExclusive(true);
}

// A control disabled while it has the focus hands it to the status line: Qt would pass it on to
// the next one, which can be Cancel, where Enter meant for "Split Tiff" would end a run.
void MainDialog::enable(int id, bool enabled) {
    QWidget* widget = widgetFor(id);
    if (!widget) return;
    if (!enabled && widget->hasFocus()) status_->setFocus(Qt::OtherFocusReason);
    widget->setEnabled(enabled);
    if (id == idOk) markEntries();  // a run starts or ends
}

void MainDialog::resetList(int) {
    inputList_->clear();
}

// Each entry shows its path and keeps its bytes.
void MainDialog::addListEntry(int, const std::string& text) {
    auto* item = new QListWidgetItem(shownPath(text));
    item->setToolTip(shownPath(text));
    item->setData(Qt::UserRole, byteArray(text));
    inputList_->addItem(item);
}

int MainDialog::listCount(int) {
    return inputList_->count();
}

std::string MainDialog::listEntry(int, int index) {
    const QListWidgetItem* item = inputList_->item(index);
    return item ? bytesOf(item->data(Qt::UserRole).toByteArray()) : std::string();
}

// The file under way, or the one chosen, scrolled into sight.
void MainDialog::setListCurrent(int, int index) {
    inputList_->setCurrentRow(index);
    if (QListWidgetItem* item = inputList_->item(index)) inputList_->scrollToItem(item);
    markEntries();
}

int MainDialog::listHorizontalExtent(int) {
    return listExtent_;
}

void MainDialog::setListHorizontalExtent(int, int pixels) {
    listExtent_ = pixels;
}

int MainDialog::listTextWidth(int, const std::string& text) {
    return inputList_->fontMetrics().horizontalAdvance(shownPath(text));
}

void MainDialog::setProgressRange(int, int low, int high) {
    progress_->setRange(low, high);
}

void MainDialog::setProgressPosition(int, int position) {
    // A position outside the range stays at the nearest end, rather than being ignored.
    progress_->setValue(std::clamp(position, progress_->minimum(), progress_->maximum()));
}

// The split run holds the event loop, so the window is painted here and now.
void MainDialog::redrawNow() {
    repaint();
}

// The run goes on inside a click's slot; meanwhile the events that arrive are handled here: what
// is pending, then, for a pause, whatever comes until it is over or `enough` ends it.
void MainDialog::serviceMessages(int milliseconds, const std::function<bool()>& enough) {
    QCoreApplication::processEvents();
    const QDeadlineTimer end(milliseconds, Qt::PreciseTimer);
    QTimer wake;  // ends the wait for events when the pause is over
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    while (!end.hasExpired() && !(enough && enough())) {
        wake.start(static_cast<int>(std::max<qint64>(end.remainingTime(), 0)));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void MainDialog::endDialog() {
    QDialog::reject();
}

void MainDialog::beginWaitCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void MainDialog::endWaitCursor() {
    QApplication::restoreOverrideCursor();
}

}  // namespace quillane
