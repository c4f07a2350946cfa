#pragma once
// The sizes the toolkit shows a frame at, and how the screen picks one: the
// DPI of the monitor a window is on, asked of the system where it can tell
// (shcore.dll from Windows 8.1 on, loaded when needed so that older systems
// still start), else the screen's logical pixels per inch.

#include <windows.h>

#include <cstdint>

namespace tine {

// 100, 150 or 200 percent of the native size.
bool isDisplayScale(int32_t percent);

// 96 DPI and below shows at 100 %, up to 144 at 150 %, above that at 200 %.
int32_t scaleForDpi(int32_t dpi);

// The DPI of the monitor the window is on (the primary one for null), as
// this thread's DPI awareness is told it.
int32_t monitorDpi(HWND window);
// The DPI the window itself is drawn for, which follows its own awareness
// (Windows 10 on; elsewhere its monitor's).
int32_t windowDpi(HWND window);

// Makes this thread per-monitor DPI aware while it lives, where the system
// knows awareness contexts (Windows 10 on), so that a window created meanwhile
// is not enlarged by the system on top of the toolkit's own scaling. The
// thread's earlier awareness comes back at the end.
class PerMonitorDpiScope {
public:
    PerMonitorDpiScope();
    ~PerMonitorDpiScope();
    PerMonitorDpiScope(const PerMonitorDpiScope&) = delete;
    PerMonitorDpiScope& operator=(const PerMonitorDpiScope&) = delete;

private:
    HANDLE previous;
};

}  // namespace tine
