#pragma once

#include "app/SettingsStore.h"

namespace quillane {

// The remembered values in the registry, in the key software\Velmora\DarozAvazi\<application>
// of HKEY_CURRENT_USER, each a REG_SZ directly in the application's key. Every access, read or
// write, creates the keys that are missing.
class RegistrySettingsStore final : public SettingsStore {
public:
    // For the application named after the running executable, without its extension.
    RegistrySettingsStore();
    explicit RegistrySettingsStore(std::string applicationName);

    std::string read(const char* name) override;
    void write(const char* name, const std::string& value) override;

    // The application's key below HKEY_CURRENT_USER.
    std::string keyPath() const;

private:
    std::string applicationName_;
};

// The running executable's file name without its folder and extension.
std::string executableName();

}  // namespace quillane
