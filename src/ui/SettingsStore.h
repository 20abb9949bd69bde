#pragma once

#include <QString>
#include <string>

namespace quillane {

// The per-user store of remembered values: QSettings under the organisation path
// "Velmora/DarozAvazi" and the application's name, with every value at the top level. On
// Linux that is $XDG_CONFIG_HOME/Velmora/DarozAvazi/<application>.conf.
class SettingsStore {
public:
    static constexpr const char* organisation = "Velmora/DarozAvazi";

    // For the application name Qt took from the executable's file name.
    SettingsStore();
    explicit SettingsStore(QString applicationName);

    // The stored value whole, or `fallback` when there is none or the store cannot be read.
    std::string read(const char* name, const std::string& fallback = {}) const;
    // Failures to write are not reported: a value that could not be kept is simply not there next time.
    void write(const char* name, const std::string& value) const;

    // Where the values live (a file, or a registry path on Windows).
    QString location() const;

private:
    QString applicationName_;
};

}  // namespace quillane
