#pragma once

#include "ui/DialogTemplate.h"

#include <QFont>
#include <QRect>
#include <vector>

class QDialog;
class QWidget;

namespace quillane {

// The dialog font's base units: the average character width and the character height in pixels.
struct DialogBaseUnits {
    int averageWidth = 0;
    int height = 0;
};

DialogBaseUnits baseUnitsOf(const QFont& font);
// A rectangle in dialog units converted to pixels, rounded as the template format rounds.
QRect dialogUnitsToPixels(const QRect& units, DialogBaseUnits base);

// The controls a template created, in template order.
struct BuiltDialog {
    const DialogTemplate* source = nullptr;
    std::vector<QWidget*> widgets;

    // The first control with this id, or nullptr.
    QWidget* control(int id) const;
    int indexOf(int id) const;
};

// Gives the dialog its caption, font, size and position, and creates its controls from the
// template, in the template's order, which is also the tab order.
BuiltDialog buildDialog(QDialog& dialog, const DialogTemplate& source);

// The dynamic property that carries each control's template id.
inline constexpr const char* controlIdProperty = "controlId";

}  // namespace quillane
