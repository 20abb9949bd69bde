#pragma once

#include "app/DialogControls.h"
#include "app/VersionInfo.h"

#include <string>

namespace quillane {

// The About box's content, from dialog template 100: the version line (control 1011) and the
// legal notice (1012).
struct AboutBox {
    std::string versionText;
    std::string legalText;

    // "Quillane Version: A.6.3.1" and "<copyright> Velmora Technologies"; a missing part
    // leaves its line empty.
    void takeVersion(const VersionResource& resource);
};

// Shows an About box modally over its owner; returns when it is closed.
class AboutBoxDialog {
public:
    virtual ~AboutBoxDialog() = default;
    virtual void DoModal(WindowHandle owner, const AboutBox& box) = 0;
};

}  // namespace quillane
