#pragma once
// The settings store as a key of the current user's registry. Windows only;
// the header stays free of <windows.h>.

#include "host/HostSettings.h"

namespace tine {

constexpr const char* kSettingsKeyPath = "Software\\Corvane\\Tinemaster";
constexpr const char* kSettingsKeyClass = "Tinemaster Config";

class RegistrySettingsStore final : public SettingsStore {
public:
    // Creates or opens the key (non-volatile, full access). When that fails
    // the store has no key: reads find nothing, writes fail silently.
    explicit RegistrySettingsStore(const char* keyPath = kSettingsKeyPath);
    ~RegistrySettingsStore() override;  // closes the key
    RegistrySettingsStore(const RegistrySettingsStore&) = delete;
    RegistrySettingsStore& operator=(const RegistrySettingsStore&) = delete;

    bool readValue(const char* name, std::string& bytes) override;
    bool writeValue(const char* name, const char* text) override;

    bool isOpen() const { return key_ != nullptr; }
    void close();

private:
    void* key_ = nullptr;
};

}  // namespace tine
