#include "gui/DisplayScale.h"

namespace tine {
namespace {

// Declared here rather than taken from the headers: the program targets
// systems older than these calls.
using GetDpiForMonitorCall = HRESULT(WINAPI*)(HMONITOR monitor, int kind, UINT* dpiX, UINT* dpiY);
using SetThreadDpiAwarenessContextCall = HANDLE(WINAPI*)(HANDLE context);
using GetDpiForWindowCall = UINT(WINAPI*)(HWND window);
constexpr int kEffectiveDpi = 0;
const HANDLE kPerMonitorAwareV2 = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-4));
const HANDLE kPerMonitorAware = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-3));

template <typename Call>
Call user32Call(const char* name) {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    return user32 ? reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

SetThreadDpiAwarenessContextCall threadAwarenessCall() {
    return user32Call<SetThreadDpiAwarenessContextCall>("SetThreadDpiAwarenessContext");
}

}  // namespace

bool isDisplayScale(int32_t percent) {
    return percent == 100 || percent == 150 || percent == 200;
}

int32_t scaleForDpi(int32_t dpi) {
    if (dpi <= 96)
        return 100;
    return dpi <= 144 ? 150 : 200;
}

int32_t monitorDpi(HWND window) {
    const POINT origin = {0, 0};
    HMONITOR monitor = window ? MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST)
                              : MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY);
    if (HMODULE shcore = LoadLibraryA("shcore.dll")) {
        auto call =
            reinterpret_cast<GetDpiForMonitorCall>(reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")));
        UINT dpiX = 0, dpiY = 0;
        const bool known = call && monitor && SUCCEEDED(call(monitor, kEffectiveDpi, &dpiX, &dpiY)) && dpiX > 0;
        FreeLibrary(shcore);
        if (known)
            return static_cast<int32_t>(dpiX);
    }
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

int32_t windowDpi(HWND window) {
    if (auto call = user32Call<GetDpiForWindowCall>("GetDpiForWindow"))
        if (const UINT dpi = window ? call(window) : 0)
            return static_cast<int32_t>(dpi);
    return monitorDpi(window);
}

PerMonitorDpiScope::PerMonitorDpiScope() : previous(nullptr) {
    if (SetThreadDpiAwarenessContextCall call = threadAwarenessCall()) {
        previous = call(kPerMonitorAwareV2);
        if (!previous)  // before version 1703 of Windows 10
            previous = call(kPerMonitorAware);
    }
}

PerMonitorDpiScope::~PerMonitorDpiScope() {
    if (previous)
        if (SetThreadDpiAwarenessContextCall call = threadAwarenessCall())
            call(previous);
}

}  // namespace tine
