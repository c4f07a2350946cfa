#include "standalone/AppShell.h"

#include <windows.h>

#include <new>

#include "gui/DisplayScale.h"
#include "gui/Frame.h"
#include "gui/FrameOwner.h"
#include "params/ErrorReport.h"
#include "plugin/EditorBase.h"
#include "host/HostCallback.h"
#include "standalone/KeyboardPlay.h"
#include "standalone/MidiPort.h"
#include "standalone/StandaloneSynth.h"

namespace tine {
namespace {

// Neither resizable nor maximisable: the editor has a fixed size.
constexpr DWORD kMainWindowStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// Without an editor the window still gets this much room for one.
constexpr ERect kNoEditorRect = {10, 10, 100, 100};

HINSTANCE classInstance = nullptr;

LRESULT CALLBACK shellWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    StandaloneSynth* synth = standaloneInstance();
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case kRefreshDisplayMessage:
        if (synth)
            synth->showProgramName();
        return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        if (synth && handleKeyMessage(*synth, message, wParam, lParam))
            return 0;
        break;
    case WM_KILLFOCUS:
        // Typing into a text field, another window, the setup dialog: the
        // keys held now will not be seen going up.
        if (synth)
            releaseKeyboardNotes(*synth);
        break;
    case WM_ACTIVATE:
        if (synth && LOWORD(wParam) == WA_INACTIVE)
            releaseKeyboardNotes(*synth);
        break;
    case WM_SIZE:
        if (synth && wParam == SIZE_MINIMIZED)
            releaseKeyboardNotes(*synth);
        break;
    case WM_TIMER:
        if (synth && wParam == kIdleTimerId) {
            synth->idleTick();
            return 0;
        }
        break;
    case WM_GETMINMAXINFO: {
        // The system's minimum tracking size would widen a window around a
        // small editor (or none) at creation; the windows cannot be resized,
        // so the size createHostWindow asks for is the one they get.
        const LRESULT result = DefWindowProcA(window, message, wParam, lParam);
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = POINT{1, 1};
        return result;
    }
    default:
        break;
    }
    if (synth && handleInjectionMessage(synth->midiPort(), message, wParam))
        return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

bool registerClass(HINSTANCE instance, const char* name) {
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = &shellWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszClassName = name;
    return RegisterClassA(&windowClass) != 0;
}

}  // namespace

bool activateRunningInstance() {
    HWND running = FindWindowA(nullptr, kMainWindowTitle);
    if (!running)
        return false;
    if (IsIconic(running))
        ShowWindow(running, SW_RESTORE);
    SetForegroundWindow(running);
    return true;
}

bool registerWindowClasses(void* instance) {
    classInstance = static_cast<HINSTANCE>(instance);
    const bool main = registerClass(classInstance, kMainWindowClass);
    const bool editor = registerClass(classInstance, kEditorWindowClass);
    return main && editor;
}

void unregisterWindowClasses(void* instance) {
    UnregisterClassA(kMainWindowClass, static_cast<HINSTANCE>(instance));
    UnregisterClassA(kEditorWindowClass, static_cast<HINSTANCE>(instance));
}

void* createHostWindow(void* parent, const char* title, const char* className, int x, int y, int width, int height,
                       uint32_t style, void* userData) {
    RECT outer = {x, y, x + width, y + height};
    AdjustWindowRect(&outer, style, FALSE);
    // A framed window keeps its caption on the screen: its outer corner goes
    // where asked, since an editor rectangle at the origin would otherwise
    // push the caption above the screen. A child window has no frame and so
    // lands exactly where asked either way.
    if (!(style & WS_CHILD))
        OffsetRect(&outer, x - outer.left, y - outer.top);
    HWND window = CreateWindowExA(0, className, title, style, outer.left, outer.top, outer.right - outer.left,
                                  outer.bottom - outer.top, static_cast<HWND>(parent), nullptr,
                                  classInstance ? classInstance : GetModuleHandleA(nullptr), nullptr);
    if (!window)
        return nullptr;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(userData));
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    return window;
}

namespace {

// The editor's rectangle shown at percent; without an editor, the room kept
// for one.
ERect editorRectAt(EditorBase* editor, int32_t percent) {
    ERect* editorRect = nullptr;
    if (editor) {
        editor->setScale(percent);
        editor->getRect(&editorRect);
    }
    if (editorRect)
        return *editorRect;
    ERect rect = kNoEditorRect;
    rect.right = static_cast<int16_t>(rect.left + (rect.right - rect.left) * percent / 100);
    rect.bottom = static_cast<int16_t>(rect.top + (rect.bottom - rect.top) * percent / 100);
    return rect;
}

int32_t stripHeight(int32_t percent) {
    return kToolbarStripHeight * percent / 100;
}

}  // namespace

bool openMainWindow(void* owner) {
    StandaloneSynth* synth = standaloneInstance();
    if (!synth)
        return false;
    // The window opens at the editor's corner, which is the screen's: the
    // primary monitor's DPI decides unless a size was chosen.
    const int32_t stored = synth->settings().editorSize;
    const int32_t percent = isDisplayScale(stored) ? stored : scaleForDpi(monitorDpi(nullptr));

    EditorBase* editor = synth->getRegisteredEditor();
    const ERect native = editorRectAt(editor, 100);
    const ERect rect = editorRectAt(editor, percent);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;

    HWND mainWindow =
        static_cast<HWND>(createHostWindow(owner, kMainWindowTitle, kMainWindowClass, rect.left, rect.top, width,
                                           height + stripHeight(percent), kMainWindowStyle, editor));
    if (!mainWindow) {
        reportError(ErrorCode::OutOfMemory);
        return false;
    }
    synth->setMainWindow(mainWindow);

    if (!synth->toolbar().build(mainWindow, native.right - native.left, dynamic_cast<FrameOwner*>(editor), synth)) {
        synth->setMainWindow(nullptr);
        DestroyWindow(mainWindow);
        return false;
    }
    synth->toolbar().frame()->setScale(percent);

    HWND editorWindow = static_cast<HWND>(createHostWindow(mainWindow, kMainWindowTitle, kEditorWindowClass, 0,
                                                           stripHeight(percent), width, height, WS_CHILD, editor));
    if (editor && editorWindow)
        editor->open(editorWindow);

    synth->showProgramName();
    synth->setProgram(0);
    SetTimer(mainWindow, kIdleTimerId, kIdleTickMs, nullptr);
    return true;
}

void closeMainWindow() {
    StandaloneSynth* synth = standaloneInstance();
    if (!synth)
        return;
    // The window is gone (and its timer with it): a late refresh from another
    // thread posts nowhere.
    synth->setMainWindow(nullptr);
    synth->toolbar().release();
}

void showAtScale(StandaloneSynth& synth, int32_t percent) {
    HWND mainWindow = static_cast<HWND>(synth.mainWindow());
    if (!mainWindow || !isDisplayScale(percent))
        return;
    const ERect rect = editorRectAt(synth.getRegisteredEditor(), percent);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top, strip = stripHeight(percent);
    if (Frame* toolbar = synth.toolbar().frame())
        toolbar->setScale(percent);
    if (HWND editorWindow = FindWindowExA(mainWindow, nullptr, kEditorWindowClass, nullptr))
        SetWindowPos(editorWindow, nullptr, 0, strip, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT outer = {0, 0, width, height + strip};
    AdjustWindowRect(&outer, kMainWindowStyle, FALSE);
    SetWindowPos(mainWindow, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(mainWindow, nullptr, TRUE);
}

int runMainWindow(void*, void* owner) {
    if (!openMainWindow(owner))
        return 0;

    MSG message = {};
    int exitCode = 0;
    for (;;) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) {
            exitCode = static_cast<int>(message.wParam);
            break;
        }
        if (got == -1)
            break;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    closeMainWindow();
    return exitCode;
}

int runApplication(void* instance) {
    installErrorBox();
    if (activateRunningInstance())
        return 0;

    HWND desktop = GetDesktopWindow();
    registerWindowClasses(instance);

    int exitCode = 0;
    auto* synth = new (std::nothrow) StandaloneSynth(&hostCallback, instance, desktop);
    if (!synth) {
        reportError(ErrorCode::OutOfMemory);
    } else {
        setStandaloneInstance(synth);
        exitCode = runMainWindow(instance, desktop);
        delete synth;
        setStandaloneInstance(nullptr);
    }
    unregisterWindowClasses(instance);
    return exitCode;
}

}  // namespace tine

// Exit codes are 16 bits wide here.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return tine::runApplication(instance) & 0xFFFF;
}
