#pragma once
// The modal setup dialog (dialog resource 100). Windows only; the header
// stays free of <windows.h>.

#include "host/HostSettings.h"

namespace tine {

// Shows the dialog filled from settings. OK reads every control back into
// settings, writes all nine values to store and answers 1; Cancel (or a
// dialog that cannot be created) changes nothing and answers 0.
// owner and instance are HWND and HINSTANCE; instance holds dialog 100.
int runSetupDialog(HostSettings& settings, SettingsStore& store, void* owner, void* instance);

}  // namespace tine
