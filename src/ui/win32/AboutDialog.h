#pragma once

#include "app/AboutBox.h"

namespace quillane {

// The About box as the platform's own dialog, made from template 100: its two text lines
// filled from the AboutBox when it opens; it closes with OK, Escape or its close command.
class NativeAboutBoxDialog final : public AboutBoxDialog {
public:
    void DoModal(WindowHandle owner, const AboutBox& box) override;
};

}  // namespace quillane
