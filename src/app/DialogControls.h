#pragma once

#include <functional>
#include <string>

namespace quillane {

// The window that owns a chooser, a message box or the About box, as the front end knows it
// (its widget or its window handle); the window's logic passes it on untouched.
using WindowHandle = void*;

// The controls of one open dialog, reached by their template ids, and the few things the
// window's logic asks of the dialog itself. Each front end implements it over its own widgets,
// so the logic never sees a toolkit.
class DialogControls {
public:
    virtual ~DialogControls() = default;

    virtual WindowHandle handle() = 0;
    virtual std::string windowText() = 0;
    virtual void setWindowText(const std::string& text) = 0;
    // A command in the window's own menus, after a separator: the system menu on Windows; on
    // Linux, where windows have none of their own, the Help menu and the context menu.
    virtual void addMenuCommand(unsigned command, const std::string& text) = 0;

    // Edits and statics.
    virtual std::string text(int id) = 0;
    virtual void setText(int id, const std::string& text) = 0;
    // Check boxes and radio buttons.
    virtual bool isChecked(int id) = 0;
    virtual void setChecked(int id, bool checked) = 0;
    virtual void enable(int id, bool enabled) = 0;

    // List boxes.
    virtual void resetList(int id) = 0;
    virtual void addListEntry(int id, const std::string& text) = 0;
    virtual int listCount(int id) = 0;
    virtual std::string listEntry(int id, int index) = 0;
    virtual void setListCurrent(int id, int index) = 0;
    // How far the list scrolls sideways, and how wide a text is drawn in it, in pixels.
    virtual int listHorizontalExtent(int id) = 0;
    virtual void setListHorizontalExtent(int id, int pixels) = 0;
    virtual int listTextWidth(int id, const std::string& text) = 0;
    // A list that takes many entries at once is not drawn meanwhile (false), then drawn once
    // (true). A toolkit that draws only when its event loop runs has nothing to do.
    virtual void setListRedraw(int /*id*/, bool /*redraw*/) {}

    // Progress bars.
    virtual void setProgressRange(int id, int low, int high) = 0;
    virtual void setProgressPosition(int id, int position) = 0;

    // The whole window painted at once, while the caller keeps the event loop from running.
    virtual void redrawNow() = 0;
    // While a split run holds the event loop: the window's pending messages are handled, so that
    // it repaints, moves and takes clicks. With a positive `milliseconds` it goes on handling
    // those that arrive for that long, and returns sooner once `enough` says so.
    virtual void serviceMessages(int milliseconds, const std::function<bool()>& enough) = 0;
    // Ends the dialog as its Cancel button does.
    virtual void endDialog() = 0;
    // The wait cursor; the calls nest.
    virtual void beginWaitCursor() = 0;
    virtual void endWaitCursor() = 0;
};

// One control of a dialog, as a window keeps it in a field once the data exchange has
// attached it.
class DialogItem {
public:
    DialogItem() = default;
    DialogItem(DialogControls& dialog, int id) : dialog_(&dialog), id_(id) {}

    int id() const { return id_; }
    bool attached() const { return dialog_ != nullptr; }
    void EnableWindow(bool enable) const {
        if (dialog_) dialog_->enable(id_, enable);
    }

private:
    DialogControls* dialog_ = nullptr;
    int id_ = 0;
};

}  // namespace quillane
