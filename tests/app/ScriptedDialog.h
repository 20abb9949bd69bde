#pragma once

#include "app/DialogControls.h"
#include "app/DialogTemplate.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace quillane::testing {

// A dialog without a toolkit: the controls of a template as plain state, with the checks a
// real dialog would make. Asking for an id the template does not hold fails the test.
class ScriptedDialog : public DialogControls {
public:
    struct Control {
        const DialogControl* source = nullptr;
        std::string text;
        bool checked = false;
        bool enabled = true;
        std::vector<std::string> entries;
        int current = -1;
        int extent = 0;
        int low = 0, high = 100, position = 0;
        int group = 0;  // controls with the same number are one group of the template
    };

    explicit ScriptedDialog(const DialogTemplate& source);

    Control& operator[](int id);

    // What a click on an automatic check box or radio button does to it before the handler runs.
    void clickButton(int id);

    // A list entry this many pixels wide per character.
    static constexpr int pixelsPerCharacter = 6;

    std::string caption;
    std::vector<std::pair<unsigned, std::string>> systemMenu;
    int redraws = 0;
    int waitCursorDepth = 0;
    int deepestWaitCursor = 0;
    std::vector<int> positions;  // every position the progress bar was given, in order
    std::vector<int> services;   // how long each servicing of the messages was to last, in order
    // Runs inside each servicing, as a click handled there would: a test's user acting mid-run.
    std::function<void(int milliseconds)> onService;
    int endings = 0;

    WindowHandle handle() override { return this; }
    std::string windowText() override { return caption; }
    void setWindowText(const std::string& text) override { caption = text; }
    void addMenuCommand(unsigned command, const std::string& text) override;
    std::string text(int id) override;
    void setText(int id, const std::string& text) override;
    bool isChecked(int id) override;
    void setChecked(int id, bool checked) override;
    void enable(int id, bool enabled) override;
    void resetList(int id) override;
    void addListEntry(int id, const std::string& text) override;
    int listCount(int id) override;
    std::string listEntry(int id, int index) override;
    void setListCurrent(int id, int index) override;
    int listHorizontalExtent(int id) override;
    void setListHorizontalExtent(int id, int pixels) override;
    int listTextWidth(int id, const std::string& text) override;
    void setProgressRange(int id, int low, int high) override;
    void setProgressPosition(int id, int position) override;
    void redrawNow() override { ++redraws; }
    void serviceMessages(int milliseconds, const std::function<bool()>& enough) override;
    void endDialog() override { ++endings; }
    void beginWaitCursor() override;
    void endWaitCursor() override;

private:
    Control& of(int id, ControlClass expected, const char* operation);

    std::map<int, Control> controls_;
    Control missing_;
    bool repeated_ = false;  // the bar was given the position it showed
};

}  // namespace quillane::testing
