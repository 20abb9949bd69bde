#pragma once

#include "ui/DialogBuilder.h"

#include <string>

namespace quillane {

// One pass of copying between a dialog's plain fields and its controls: from the controls
// into the fields when saving, from the fields into the controls otherwise.
class DataExchange {
public:
    DataExchange(const BuiltDialog& dialog, bool saveAndValidate) : dialog_(dialog), saving_(saveAndValidate) {}

    bool saving() const { return saving_; }

    // Attaches a field to the control itself.
    template <class Widget>
    void control(int id, Widget*& field) {
        field = static_cast<Widget*>(dialog_.control(id));
    }
    // An edit's or a static's text.
    void text(int id, std::string& field);
    // A check box: 0 not checked, 1 checked.
    void check(int id, int& field);
    // The radio buttons from `id` up to the next one that starts a group: the index of the
    // checked one, or -1 when none is.
    void radio(int id, int& field);

private:
    const BuiltDialog& dialog_;
    bool saving_;
};

}  // namespace quillane
