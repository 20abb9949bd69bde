#include "ScriptedServices.h"

#include "ui/AboutBox.h"
#include "ui/DialogTemplate.h"
#include "ui/MainWindow.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

#include <cmath>

namespace quillane {
namespace {

using namespace testing;

// Dialog units to pixels: a quarter of the font's average letter width across, an eighth of
// its height down, rounded to the nearest pixel.
struct Units {
    double across;
    double down;
    explicit Units(const QFont& font) {
        const QFontMetrics metrics(font);
        across = std::round(metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 52.0);
        down = metrics.height();
    }
    int x(int units) const { return static_cast<int>(std::lround(units * across / 4)); }
    int y(int units) const { return static_cast<int>(std::lround(units * down / 8)); }
};

struct Expected {
    int id;
    const char* kind;
    const char* text;
    int x, y, width, height;
};

const char* kindOf(QWidget* widget) {
    if (qobject_cast<QPushButton*>(widget)) return "push button";
    if (qobject_cast<QCheckBox*>(widget)) return "check box";
    if (qobject_cast<QRadioButton*>(widget)) return "radio button";
    if (qobject_cast<QGroupBox*>(widget)) return "group box";
    if (qobject_cast<QLineEdit*>(widget)) return "edit";
    if (qobject_cast<QListWidget*>(widget)) return "list box";
    if (qobject_cast<QProgressBar*>(widget)) return "progress bar";
    if (auto* label = qobject_cast<QLabel*>(widget)) return label->pixmap().isNull() ? "static" : "picture";
    return "other";
}

QString textOf(QWidget* widget) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
    if (auto* group = qobject_cast<QGroupBox*>(widget)) return group->title();
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text();
    if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
    return {};
}

// Checks the dialog's direct children, in creation order, against the table.
void expectControls(QDialog& dialog, const std::vector<Expected>& table) {
    const Units units(dialog.font());
    const auto children = dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(children.size(), static_cast<qsizetype>(table.size()));
    for (std::size_t i = 0; i < table.size(); ++i) {
        const Expected& row = table[i];
        QWidget* widget = children[static_cast<qsizetype>(i)];
        SCOPED_TRACE(::testing::Message() << "control #" << i + 1 << " (" << row.text << ")");
        EXPECT_EQ(widget->property(controlIdProperty).toInt(), row.id);
        EXPECT_STREQ(kindOf(widget), row.kind);
        EXPECT_EQ(textOf(widget), QString::fromUtf8(row.text));
        EXPECT_EQ(widget->pos(), QPoint(units.x(row.x), units.y(row.y)));
        if (std::string(row.kind) != "picture") {
            EXPECT_EQ(widget->size(), QSize(units.x(row.width), units.y(row.height)));
        }
    }
}

TEST(DialogTemplate, MainWindowBuildsTemplate102) {
    clearStore();
    MainWindow window(WindowServices{});
    const std::vector<Expected> table = {
        {1, "push button", "Split Tiff", 69, 215, 50, 14},
        {2, "push button", "Cancel", 201, 215, 50, 14},
        {-1, "group box", "Velmora Two Channel Tiff / Tiffs", 20, 17, 285, 87},
        {1003, "push button", "Browse...", 243, 53, 50, 14},
        {-1, "group box", "Output Directory", 17, 163, 286, 47},
        {1004, "push button", "Browse...", 243, 186, 50, 14},
        {1005, "edit", "", 27, 188, 206, 14},
        {1006, "progress bar", "", 13, 248, 289, 12},
        {1007, "list box", "", 28, 30, 201, 63},
        {-1, "group box", "ImageManipulation", 21, 106, 282, 55},
        {1008, "check box", "Flip/Rotate Image", 32, 129, 73, 10},
        {1009, "radio button", "Flip along main diagonal", 142, 120, 99, 10},
        {1010, "radio button", "Flip along opposite diagonal", 142, 141, 103, 10},
        {-1, "picture", "", 250, 114, 22, 20},
        {-1, "picture", "", 250, 135, 22, 20},
        {1013, "check box", "Write Split tiffs back to input directory", 29, 175, 137, 10},
        {1015, "edit", "", 13, 234, 286, 14},
    };
    expectControls(window, table);

    const Units units(window.font());
    EXPECT_EQ(window.size(), QSize(units.x(320), units.y(273)));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Quillane: Velmora's Tiff Image Channel Splitter Utility"));
    EXPECT_EQ(window.font().pointSize(), 8);
    EXPECT_FALSE(window.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(window.windowFlags() & Qt::WindowCloseButtonHint);

    auto* split = qobject_cast<QPushButton*>(window.controls().control(idOk));
    EXPECT_TRUE(split->isDefault());
    auto* status = qobject_cast<QLineEdit*>(window.controls().control(idStatus));
    EXPECT_TRUE(status->isReadOnly());
    EXPECT_FALSE(status->hasFrame());
    auto* list = qobject_cast<QListWidget*>(window.controls().control(idInputList));
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::NoSelection);
    EXPECT_FALSE(list->isSortingEnabled());
    for (int id : {idMainDiagonal, idOppositeDiagonal}) {
        auto* radio = qobject_cast<QRadioButton*>(window.controls().control(id));
        EXPECT_FALSE(radio->autoExclusive()) << "each radio button is a group of its own";
        EXPECT_FALSE(radio->isEnabled());
    }
}

TEST(DialogTemplate, TabGoesThroughTheTabStopsInCreationOrder) {
    MainWindow window(WindowServices{});
    std::vector<int> order;
    QWidget* widget = window.controls().control(idOk);
    do {
        if (widget->parentWidget() == &window && (widget->focusPolicy() & Qt::TabFocus)) {
            order.push_back(widget->property(controlIdProperty).toInt());
        }
        widget = widget->nextInFocusChain();
    } while (widget != window.controls().control(idOk));
    EXPECT_EQ(order, (std::vector<int>{1, 2, 1003, 1004, 1005, 1007, 1008, 1013, 1015}));
}

TEST(DialogTemplate, AboutBoxBuildsTemplate100) {
    AboutBox about;
    expectControls(about, {
                              {-1, "picture", "", 11, 17, 20, 20},
                              {1011, "static", "Quillane Version 1.2", 40, 10, 119, 8},
                              {1012, "static", "Copyright (C)", 40, 25, 153, 8},
                              {1, "push button", "OK", 178, 7, 50, 14},
                          });
    const Units units(about.font());
    EXPECT_EQ(about.size(), QSize(units.x(235), units.y(55)));
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Quillane"));
}

}  // namespace
}  // namespace quillane
