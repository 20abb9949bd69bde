#pragma once

#include <string>

class QWidget;

namespace quillane {

// Modal message boxes owned by a window, with an OK button only and no icon; behind an
// interface tests can answer.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Returns when the user has dismissed the box.
    virtual void show(QWidget* owner, const std::string& text, const std::string& caption) = 0;
};

MessageBoxes& systemMessageBoxes();

}  // namespace quillane
