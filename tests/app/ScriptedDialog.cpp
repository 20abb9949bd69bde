#include "ScriptedDialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

namespace quillane::testing {

ScriptedDialog::ScriptedDialog(const DialogTemplate& source) : caption(source.caption) {
    int group = 0;
    for (const DialogControl& control : source.controls) {
        if (control.styles & style::group) ++group;
        if (control.id < 0) continue;
        Control& state = controls_[control.id];
        state.group = group;
        state.source = &control;
        state.text = control.controlClass == ControlClass::progressBar ? "" : control.text;
        state.enabled = (control.styles & style::disabled) == 0;
    }
}

ScriptedDialog::Control& ScriptedDialog::operator[](int id) {
    const auto found = controls_.find(id);
    if (found == controls_.end()) {
        ADD_FAILURE() << "the dialog has no control " << id;
        return missing_;
    }
    return found->second;
}

ScriptedDialog::Control& ScriptedDialog::of(int id, ControlClass expected, const char* operation) {
    Control& control = (*this)[id];
    if (control.source && control.source->controlClass != expected) {
        ADD_FAILURE() << operation << " on control " << id << ", which is of another kind";
    }
    return control;
}

void ScriptedDialog::clickButton(int id) {
    Control& control = of(id, ControlClass::button, "click");
    if (!control.enabled) ADD_FAILURE() << "click on disabled control " << id;
    if (!control.source) return;
    switch (control.source->styles & style::buttonKindMask) {
    case style::autoCheckBox:
        control.checked = !control.checked;
        break;
    case style::autoRadioButton:
        // The platform unchecks the other automatic radio buttons of its group.
        for (auto& [otherId, other] : controls_) {
            if (other.source && other.group == control.group && other.source->controlClass == ControlClass::button &&
                (other.source->styles & style::buttonKindMask) == style::autoRadioButton)
                other.checked = otherId == id;
        }
        break;
    default:
        break;
    }
}

void ScriptedDialog::addMenuCommand(unsigned command, const std::string& text) {
    systemMenu.emplace_back(command, text);
}

std::string ScriptedDialog::text(int id) {
    return (*this)[id].text;
}

void ScriptedDialog::setText(int id, const std::string& text) {
    (*this)[id].text = text;
}

bool ScriptedDialog::isChecked(int id) {
    return of(id, ControlClass::button, "isChecked").checked;
}

void ScriptedDialog::setChecked(int id, bool checked) {
    of(id, ControlClass::button, "setChecked").checked = checked;
}

void ScriptedDialog::enable(int id, bool enabled) {
    (*this)[id].enabled = enabled;
}

void ScriptedDialog::resetList(int id) {
    Control& list = of(id, ControlClass::listBox, "resetList");
    list.entries.clear();
    list.current = -1;
}

void ScriptedDialog::addListEntry(int id, const std::string& text) {
    of(id, ControlClass::listBox, "addListEntry").entries.push_back(text);
}

int ScriptedDialog::listCount(int id) {
    return static_cast<int>(of(id, ControlClass::listBox, "listCount").entries.size());
}

std::string ScriptedDialog::listEntry(int id, int index) {
    const Control& list = of(id, ControlClass::listBox, "listEntry");
    if (index < 0 || index >= static_cast<int>(list.entries.size())) {
        ADD_FAILURE() << "list entry " << index << " asked of a list of " << list.entries.size();
        return {};
    }
    return list.entries[static_cast<std::size_t>(index)];
}

void ScriptedDialog::setListCurrent(int id, int index) {
    of(id, ControlClass::listBox, "setListCurrent").current = index;
}

int ScriptedDialog::listHorizontalExtent(int id) {
    return of(id, ControlClass::listBox, "listHorizontalExtent").extent;
}

void ScriptedDialog::setListHorizontalExtent(int id, int pixels) {
    of(id, ControlClass::listBox, "setListHorizontalExtent").extent = pixels;
}

int ScriptedDialog::listTextWidth(int id, const std::string& text) {
    of(id, ControlClass::listBox, "listTextWidth");
    return static_cast<int>(text.size()) * pixelsPerCharacter;
}

void ScriptedDialog::setProgressRange(int id, int low, int high) {
    Control& bar = of(id, ControlClass::progressBar, "setProgressRange");
    bar.low = low;
    bar.high = high;
}

// Long work shows the position it is at again now and then, servicing the window each time:
// written down once, position and servicing alike.
void ScriptedDialog::setProgressPosition(int id, int position) {
    Control& bar = of(id, ControlClass::progressBar, "setProgressPosition");
    repeated_ = !positions.empty() && bar.position == position && positions.back() == position;
    bar.position = position;
    if (!repeated_) positions.push_back(position);
}

void ScriptedDialog::beginWaitCursor() {
    deepestWaitCursor = std::max(deepestWaitCursor, ++waitCursorDepth);
}

void ScriptedDialog::endWaitCursor() {
    if (waitCursorDepth == 0) ADD_FAILURE() << "wait cursor ended more often than begun";
    else --waitCursorDepth;
}

// A pause ends at once; what the user does meanwhile is the test's onService.
void ScriptedDialog::serviceMessages(int milliseconds, const std::function<bool()>&) {
    if (std::exchange(repeated_, false) && milliseconds == 0) return;
    services.push_back(milliseconds);
    if (onService) onService(milliseconds);
}

}  // namespace quillane::testing
