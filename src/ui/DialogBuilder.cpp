#include "ui/DialogBuilder.h"

#include "ui/Artwork.h"

#include <QCheckBox>
#include <QDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

namespace quillane {
namespace {

// Multiply then divide, rounding halves away from zero, as the template format does.
int mulDiv(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

QWidget* createButton(const DialogControl& control, QWidget* parent) {
    const QString text = QString::fromUtf8(control.text);
    switch (control.styles & style::buttonKindMask) {
    case style::groupBox:
        return new QGroupBox(text, parent);
    case style::autoCheckBox:
        return new QCheckBox(text, parent);
    case style::autoRadioButton: {
        auto* radio = new QRadioButton(text, parent);
        // Each radio button of the templates is a group of its own: the handlers keep them
        // exclusive, never the toolkit.
        radio->setAutoExclusive(false);
        return radio;
    }
    default: {
        auto* button = new QPushButton(text, parent);
        button->setDefault((control.styles & style::buttonKindMask) == style::defPushButton);
        return button;
    }
    }
}

QWidget* createStatic(const DialogControl& control, QWidget* parent) {
    auto* label = new QLabel(parent);
    const std::uint32_t kind = control.styles & style::staticKindMask;
    if (kind == style::bitmap || kind == style::icon) {
        label->setPixmap(kind == style::icon ? programIcon() : diagonalBitmap(control.image));
    } else {
        label->setTextFormat(Qt::PlainText);
        label->setText(QString::fromUtf8(control.text));
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    return label;
}

QWidget* createControl(const DialogControl& control, QWidget* parent) {
    switch (control.controlClass) {
    case ControlClass::button:
        return createButton(control, parent);
    case ControlClass::edit: {
        auto* edit = new QLineEdit(QString::fromUtf8(control.text), parent);
        edit->setReadOnly((control.styles & style::readOnly) != 0);
        edit->setFrame((control.styles & style::border) != 0);
        if (edit->isReadOnly()) {
            // A read-only edit shows the dialog's own background, as a status line should.
            QPalette palette = edit->palette();
            palette.setColor(QPalette::Base, palette.color(QPalette::Window));
            edit->setPalette(palette);
        }
        return edit;
    }
    case ControlClass::listBox: {
        auto* list = new QListWidget(parent);
        list->setSortingEnabled(false);
        if (control.styles & style::noSel) list->setSelectionMode(QAbstractItemView::NoSelection);
        list->setHorizontalScrollBarPolicy((control.styles & style::hScroll) ? Qt::ScrollBarAsNeeded
                                                                             : Qt::ScrollBarAlwaysOff);
        list->setVerticalScrollBarPolicy((control.styles & style::vScroll) ? Qt::ScrollBarAsNeeded
                                                                           : Qt::ScrollBarAlwaysOff);
        return list;
    }
    case ControlClass::progressBar: {
        auto* bar = new QProgressBar(parent);
        bar->setTextVisible(false);  // the bar shows no text; the template's is a placeholder
        bar->setRange(0, 100);
        bar->setValue(0);
        return bar;
    }
    case ControlClass::staticControl:
        return createStatic(control, parent);
    }
    return nullptr;
}

// Controls the user can work with take the focus; only those with a tab stop are reached by Tab.
bool takesFocus(const DialogControl& control) {
    switch (control.controlClass) {
    case ControlClass::button:
        return (control.styles & style::buttonKindMask) != style::groupBox;
    case ControlClass::edit:
    case ControlClass::listBox:
        return true;
    default:
        return false;
    }
}

void applyStyles(QWidget& widget, const DialogControl& control) {
    widget.setEnabled((control.styles & style::disabled) == 0);
    if (!takesFocus(control)) widget.setFocusPolicy(Qt::NoFocus);
    else widget.setFocusPolicy((control.styles & style::tabStop) ? Qt::StrongFocus : Qt::ClickFocus);
    widget.setVisible((control.styles & style::visible) != 0);
}

}  // namespace

DialogBaseUnits baseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    // The average width of the 52 letters, rounded.
    const int letters = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(letters / 26 + 1) / 2, metrics.height()};
}

QRect dialogUnitsToPixels(const QRect& units, DialogBaseUnits base) {
    return {mulDiv(units.x(), base.averageWidth, 4), mulDiv(units.y(), base.height, 8),
            mulDiv(units.width(), base.averageWidth, 4), mulDiv(units.height(), base.height, 8)};
}

QWidget* BuiltDialog::control(int id) const {
    const int index = indexOf(id);
    return index < 0 ? nullptr : widgets[static_cast<std::size_t>(index)];
}

int BuiltDialog::indexOf(int id) const {
    for (std::size_t i = 0; i < source->controls.size(); ++i) {
        if (source->controls[i].id == id) return static_cast<int>(i);
    }
    return -1;
}

BuiltDialog buildDialog(QDialog& dialog, const DialogTemplate& source) {
    BuiltDialog built;
    built.source = &source;

    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint;
    if (source.styles & style::caption) flags |= Qt::WindowTitleHint;
    if (source.styles & style::sysMenu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    dialog.setWindowFlags(flags);
    dialog.setWindowTitle(QString::fromUtf8(source.caption));

    QFont font(QString::fromUtf8(source.fontName));
    font.setPointSize(source.pointSize);
    font.setStyleHint(QFont::SansSerif);
    dialog.setFont(font);
    const DialogBaseUnits base = baseUnitsOf(dialog.font());

    const QRect frame = dialogUnitsToPixels({source.x, source.y, source.width, source.height}, base);
    dialog.setFixedSize(frame.size());  // a modal frame: not resizable
    dialog.move(frame.topLeft());

    for (const DialogControl& control : source.controls) {
        QWidget* widget = createControl(control, &dialog);
        widget->setProperty(controlIdProperty, control.id);
        QRect geometry = dialogUnitsToPixels({control.x, control.y, control.width, control.height}, base);
        // Bitmap and icon statics take the size of their picture, whatever the template says.
        if (auto* label = qobject_cast<QLabel*>(widget); label && !label->pixmap().isNull()) {
            geometry.setSize(label->pixmap().deviceIndependentSize().toSize());
        }
        widget->setGeometry(geometry);
        applyStyles(*widget, control);
        built.widgets.push_back(widget);
    }
    return built;
}

}  // namespace quillane
