#pragma once

#include "app/DialogControls.h"
#include "app/DialogTemplate.h"

#include <string>

namespace quillane {

// One pass of copying between a dialog's plain fields and its controls: from the controls
// into the fields when saving, from the fields into the controls otherwise.
class DataExchange {
public:
    DataExchange(DialogControls& controls, const DialogTemplate& source, bool saveAndValidate)
        : controls_(controls), source_(source), saving_(saveAndValidate) {}

    bool saving() const { return saving_; }

    // Attaches a field to the control.
    void control(int id, DialogItem& field);
    // An edit's or a static's text.
    void text(int id, std::string& field);
    // A check box: 0 not checked, 1 checked.
    void check(int id, int& field);
    // The radio buttons from `id` up to the next control that starts a group: the index of the
    // checked one, or -1 when none is.
    void radio(int id, int& field);

private:
    DialogControls& controls_;
    const DialogTemplate& source_;
    bool saving_;
};

}  // namespace quillane
