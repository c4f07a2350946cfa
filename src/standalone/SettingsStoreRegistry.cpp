#include "standalone/SettingsStoreRegistry.h"

#include <windows.h>

#include <cstring>

namespace tine {

RegistrySettingsStore::RegistrySettingsStore(const char* keyPath) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath, 0, const_cast<char*>(kSettingsKeyClass), REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, &disposition) == ERROR_SUCCESS)
        key_ = key;
}

RegistrySettingsStore::~RegistrySettingsStore() {
    close();
}

void RegistrySettingsStore::close() {
    if (key_ != nullptr) {
        RegCloseKey(static_cast<HKEY>(key_));
        key_ = nullptr;
    }
}

bool RegistrySettingsStore::readValue(const char* name, std::string& bytes) {
    if (key_ == nullptr)
        return false;
    HKEY key = static_cast<HKEY>(key_);
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return false;
    // Exactly the stored bytes, whatever their type: callers never read
    // beyond them.
    std::string data(size, '\0');
    if (size > 0 &&
        RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&data[0]), &size) != ERROR_SUCCESS)
        return false;
    data.resize(size);
    bytes.swap(data);
    return true;
}

bool RegistrySettingsStore::writeValue(const char* name, const char* text) {
    if (key_ == nullptr)
        return false;
    HKEY key = static_cast<HKEY>(key_);
    if (text == nullptr)
        return RegDeleteValueA(key, name) == ERROR_SUCCESS;
    const DWORD size = static_cast<DWORD>(std::strlen(text) + 1);
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), size) == ERROR_SUCCESS;
}

}  // namespace tine
