#include "win32/RegistrySettingsStore.h"

#include <windows.h>

#include <utility>
#include <vector>

namespace quillane {
namespace {

// The application's key, opened with create semantics; nullptr when that fails.
HKEY openApplicationKey(const std::string& path) {
    HKEY key = nullptr;
    const LONG status = RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        KEY_READ | KEY_WRITE, nullptr, &key, nullptr);
    return status == ERROR_SUCCESS ? key : nullptr;
}

}  // namespace

std::string executableName() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path, length < MAX_PATH ? length : 0);
    const auto slash = name.find_last_of("\\/:");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    const auto dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

RegistrySettingsStore::RegistrySettingsStore() : applicationName_(executableName()) {}

RegistrySettingsStore::RegistrySettingsStore(std::string applicationName) : applicationName_(std::move(applicationName)) {}

std::string RegistrySettingsStore::keyPath() const {
    return std::string("software\\") + companyKey + "\\" + applicationName_;
}

std::string RegistrySettingsStore::read(const char* name) {
    HKEY key = openApplicationKey(keyPath());
    if (!key) return {};
    std::string value;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ && size > 0) {
        std::vector<char> bytes(size + 1, '\0');  // room for a terminator the stored value may lack
        if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &size) == ERROR_SUCCESS &&
            type == REG_SZ) {
            value.assign(bytes.data(), size < bytes.size() ? size : bytes.size() - 1);
            // The stored size counts the terminator: the text ends at the first zero.
            value.resize(value.find('\0') == std::string::npos ? value.size() : value.find('\0'));
        }
    }
    RegCloseKey(key);
    return value;
}

void RegistrySettingsStore::write(const char* name, const std::string& value) {
    HKEY key = openApplicationKey(keyPath());
    if (!key) return;
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
}

}  // namespace quillane
