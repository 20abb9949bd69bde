#pragma once

#include "ui/DialogBuilder.h"
#include "ui/VersionInfo.h"

#include <QDialog>
#include <string>

namespace quillane {

class DataExchange;

// The About box, from dialog template 100: the version line and the legal notice.
class AboutBox : public QDialog {
public:
    explicit AboutBox(QWidget* parent = nullptr);

    // "Quillane Version: A.6.3.1" and "<copyright> Velmora Technologies"; a missing part
    // leaves its line empty.
    void takeVersion(const VersionResource& resource);
    int DoModal();

    std::string versionText;
    std::string legalText;

protected:
    void setVisible(bool visible) override;

private:
    void DoDataExchange(DataExchange& exchange);
    void UpdateData(bool saveAndValidate);

    BuiltDialog controls_;
    bool initialised_ = false;
};

}  // namespace quillane
