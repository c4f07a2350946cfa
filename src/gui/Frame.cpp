#include "gui/Frame.h"

#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gui/Bitmap.h"
#include "gui/DisplayScale.h"
#include "gui/DrawContext.h"
#include "gui/FrameOwner.h"
#include "gui/TextEdit.h"

namespace tine {

namespace {

int32_t knobMode = kCircularMode;
int32_t classUsers = 0;
char className[32];

// The module this code is linked into (the program, or a plug-in library in
// a host): the window class belongs to it and is named after it.
HINSTANCE moduleHandle() {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&moduleHandle), &module))
        module = GetModuleHandleA(nullptr);
    return module;
}

bool registerWindowClass() {
    if (classUsers++ > 0)
        return true;
    std::snprintf(className, sizeof(className), "Plugin%08x",
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(moduleHandle())));
    WNDCLASSA windowClass = {};
    windowClass.style = CS_GLOBALCLASS;
    windowClass.lpfnWndProc = Frame::windowProc;
    windowClass.hInstance = moduleHandle();
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = className;
    if (!RegisterClassA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        --classUsers;
        return false;
    }
    return true;
}

void unregisterWindowClass() {
    if (classUsers > 0 && --classUsers == 0)
        UnregisterClassA(className, moduleHandle());
}

// Rounds toward minus infinity, so a pointer left of or above the window
// maps to the frame's pixel it lies over.
int32_t floorDivide(int32_t value, int32_t divisor) {
    const int32_t quotient = value / divisor;
    return (value % divisor != 0 && value < 0) ? quotient - 1 : quotient;
}

bool endsWithLink(const char* name) {
    const size_t length = std::strlen(name);
    return length >= 4 && lstrcmpiA(name + length - 4, ".lnk") == 0;
}

}  // namespace

// Accepts file lists and text dragged onto the frame's window and hands them
// to the frame at the cursor position.
class DropTarget final : public IDropTarget {
public:
    explicit DropTarget(Frame* f) : references(1), frame(f), accepted(false) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDropTarget)) {
            *object = static_cast<IDropTarget*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references;
        if (left == 0)
            delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL where, DWORD* effect) override {
        accepted = offers(data, CF_TEXT) || offers(data, CF_HDROP);
        return DragOver(keys, where, effect);
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL, DWORD* effect) override {
        if (!accepted)
            *effect = DROPEFFECT_NONE;
        else
            *effect = (keys & MK_CONTROL) ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override {
        accepted = false;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL where, DWORD* effect) override {
        DragOver(keys, where, effect);
        if (!accepted || !frame)
            return S_OK;
        Point location;
        frame->getCurrentLocation(location);
        FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium = {};
        if (SUCCEEDED(data->GetData(&format, &medium))) {
            dropFiles(static_cast<HDROP>(medium.hGlobal), location);
            ReleaseStgMedium(&medium);
            return S_OK;
        }
        format.cfFormat = CF_TEXT;
        if (SUCCEEDED(data->GetData(&format, &medium))) {
            void* text = GlobalLock(medium.hGlobal);
            if (text) {
                frame->onDrop(&text, 1, 1, location);
                GlobalUnlock(medium.hGlobal);
            }
            ReleaseStgMedium(&medium);
        }
        return S_OK;
    }

    void detach() { frame = nullptr; }

private:
    static bool offers(IDataObject* data, CLIPFORMAT clipFormat) {
        FORMATETC format = {clipFormat, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        return data && data->QueryGetData(&format) == S_OK;
    }

    void dropFiles(HDROP drop, const Point& location) {
        const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
        if (count == 0)
            return;
        char** names = static_cast<char**>(std::calloc(count, sizeof(char*)));
        if (!names)
            return;
        for (UINT i = 0; i < count; ++i) {
            names[i] = static_cast<char*>(std::malloc(1025));
            if (!names[i])
                continue;
            names[i][0] = 0;
            DragQueryFileA(drop, i, names[i], 1024);
            char target[MAX_PATH];
            if (endsWithLink(names[i]) && Frame::resolveShortcut(names[i], target, sizeof(target)))
                lstrcpynA(names[i], target, 1025);
        }
        frame->onDrop(reinterpret_cast<void**>(names), static_cast<int32_t>(count), 0, location);
        for (UINT i = 0; i < count; ++i) std::free(names[i]);
        std::free(names);
    }

    ULONG references;
    Frame* frame;
    bool accepted;
};

bool Frame::resolveShortcut(const char* shortcut, char* target, int32_t targetSize) {
    if (!shortcut || !target || targetSize <= 0)
        return false;
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return false;
    bool resolved = false;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        WCHAR wide[MAX_PATH];
        if (MultiByteToWideChar(CP_ACP, 0, shortcut, -1, wide, MAX_PATH) > 0 &&
            SUCCEEDED(file->Load(wide, STGM_READ))) {
            // No user interface; the high word is the search timeout in milliseconds.
            link->Resolve(nullptr, SLR_NO_UI | (500 << 16));
            WIN32_FIND_DATAA found;
            if (link->GetPath(target, targetSize, &found, 0) == S_OK && target[0])
                resolved = true;
        }
        file->Release();
    }
    link->Release();
    return resolved;
}

Frame::Frame(const Rect& r, HWND parent, FrameOwner* owner, int32_t percent)
    : View(r),
      editor(owner),
      parentWindow(parent),
      background(nullptr),
      viewCount(0),
      viewCapacity(0),
      views(nullptr),
      focusView(nullptr),
      firstDraw(true),
      open(true),
      dropTargetRegistered(false),
      window(nullptr),
      paintContext(nullptr),
      savedCursor(nullptr),
      dropTarget(nullptr),
      oleInitialised(false),
      scale(isDisplayScale(percent) ? percent : 100),
      canvas(nullptr),
      canvasBitmap(nullptr),
      canvasOldBitmap(nullptr),
      canvasWidth(0),
      canvasHeight(0),
      canvasUsers(0),
      canvasComplete(false),
      canvasStale(false),
      lastPresent(0) {
    frame = this;
    oleInitialised = SUCCEEDED(OleInitialize(nullptr));
    if (registerWindowClass()) {
        const auto create = [&] {
            return CreateWindowExA(0, className, "Window", WS_CHILD | WS_VISIBLE, 0, 0, toWindow(r.width()),
                                   toWindow(r.height()), parent, nullptr, moduleHandle(), nullptr);
        };
        {
            // Per-monitor aware where the host's window may hold such a child;
            // a host that allows no other awareness than its own gets its own.
            PerMonitorDpiScope dpiAware;
            window = create();
        }
        if (!window)
            window = create();
        if (window)
            SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    if (window) {
        dropTarget = new DropTarget(this);
        dropTargetRegistered = RegisterDragDrop(window, dropTarget) == S_OK;
    }
}

Frame::~Frame() {
    if (savedCursor)
        SetCursor(savedCursor);
    if (dropTargetRegistered)
        RevokeDragDrop(window);
    if (dropTarget) {
        dropTarget->detach();
        dropTarget->Release();
    }
    removeAll(true);
    std::free(views);
    if (background)
        background->forget();
    delete paintContext;
    if (oleInitialised)
        OleUninitialize();
    if (window) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        DestroyWindow(window);
    }
    canvasUsers = 0;
    dropCanvas();
    unregisterWindowClass();
}

LRESULT CALLBACK Frame::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Frame* frame = reinterpret_cast<Frame*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!frame)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    switch (message) {
    case WM_DESTROY:
        frame->open = false;
        frame->parentWindow = nullptr;
        break;
    case WM_PAINT: {
        RECT dirtyArea;
        if (GetUpdateRect(hwnd, &dirtyArea, FALSE)) {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(hwnd, &paint);
            frame->paintContext = new DrawContext(frame, dc, hwnd);
            const RECT& area = paint.rcPaint;
            Rect dirty(area.left, area.top, area.right, area.bottom);
            if (frame->paintContext->getSystemContext() == frame->canvas && frame->canvas) {
                // The picture's pixels that the window's dirty pixels show,
                // with a pixel around for the smoothing; all of them while the
                // picture has never been drawn whole.
                const Point from = frame->fromWindow(area.left, area.top);
                const Point to = frame->fromWindow(area.right - 1, area.bottom - 1);
                dirty = frame->canvasComplete ? Rect(from.h - 1, from.v - 1, to.h + 2, to.v + 2)
                                              : Rect(0, 0, frame->size.width(), frame->size.height());
                frame->canvasComplete = true;
            }
            frame->drawRect(frame->paintContext, dirty);
            delete frame->paintContext;
            frame->paintContext = nullptr;
            EndPaint(hwnd, &paint);
        }
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
        HDC dc = GetDC(hwnd);
        DrawContext* context = new DrawContext(frame, dc, hwnd);
        const Point where =
            frame->fromWindow(static_cast<int16_t>(LOWORD(lParam)), static_cast<int16_t>(HIWORD(lParam)));
        frame->mouse(context, where);
        delete context;
        ReleaseDC(hwnd, dc);
        return 0;
    }
    case WM_CTLCOLOREDIT: {
        TextEdit* field = dynamic_cast<TextEdit*>(frame->focusView);
        if (field)
            return reinterpret_cast<LRESULT>(field->colourEditControl(reinterpret_cast<HDC>(wParam)));
        break;
    }
    default:
        break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

void Frame::draw(DrawContext* context) {
    if (!context)
        context = paintContext;
    if (!context)
        return;
    firstDraw = false;
    if (canvas && context->getSystemContext() == canvas)
        canvasComplete = true;
    if (background)
        background->draw(context, Rect(0, 0, size.width(), size.height()));
    for (int32_t i = 0; i < viewCount; ++i) views[i]->draw(context);
}

void Frame::drawRect(DrawContext* context, const Rect& updateRect) {
    if (!context)
        context = paintContext;
    if (!context)
        return;
    // After the first paint the frame may be redrawn in idle.
    firstDraw = false;
    if (background)
        background->draw(context, updateRect, updateRect.topLeft());
    for (int32_t i = 0; i < viewCount; ++i)
        if (views[i]->checkUpdate(updateRect))
            views[i]->drawRect(context, updateRect);
}

void Frame::mouse(DrawContext* context, const Point& where) {
    if (focusView)
        setFocusView(nullptr);
    for (int32_t i = viewCount - 1; i >= 0; --i) {
        View* view = views[i];
        if (view->getMouseEnabled() && view->isInside(where)) {
            view->mouse(context, where);
            return;
        }
    }
}

void Frame::update(DrawContext* context) {
    if (!open)
        return;
    if (!context)
        context = paintContext;
    if (!context)
        return;
    if (dirty) {
        draw(context);
        setDirty(false);
        return;
    }
    for (int32_t i = 0; i < viewCount; ++i) views[i]->update(context);
}

// Keys go to the focus view first, then to the views from the last added,
// until one takes them (-1: not taken).
int32_t Frame::routeKey(int32_t (View::*handler)(KeyCode&), KeyCode& key) {
    if (focusView) {
        const int32_t result = (focusView->*handler)(key);
        if (result != -1)
            return result;
    }
    for (int32_t i = viewCount - 1; i >= 0; --i) {
        const int32_t result = (views[i]->*handler)(key);
        if (result != -1)
            return result;
    }
    return -1;
}

int32_t Frame::onKeyDown(KeyCode& key) {
    return routeKey(&View::onKeyDown, key);
}

int32_t Frame::onKeyUp(KeyCode& key) {
    return routeKey(&View::onKeyUp, key);
}

bool Frame::onDrop(void** items, int32_t count, int32_t type, const Point& where) {
    if (focusView)
        return false;
    for (int32_t i = viewCount - 1; i >= 0; --i) {
        View* view = views[i];
        if (view->getMouseEnabled() && view->isInside(where) && view->onDrop(items, count, type, where))
            return true;
    }
    return false;
}

bool Frame::onWheel(DrawContext*, const Point&, float distance) {
    Point where;
    getCurrentLocation(where);
    View* view = getViewAt(where);
    if (!view)
        return false;
    HDC dc = nullptr;
    DrawContext* context = paintContext;
    if (!context && window) {
        dc = GetDC(window);
        context = new DrawContext(this, dc, window);
    }
    const bool taken = view->onWheel(context, where, distance);
    if (dc) {
        delete context;
        ReleaseDC(window, dc);
    }
    return taken;
}

FrameOwner* Frame::getEditor() {
    return editor;
}

bool Frame::addView(View* view) {
    if (!view)
        return false;
    if (viewCount == viewCapacity) {
        void* grown = std::realloc(views, sizeof(View*) * static_cast<size_t>(viewCapacity + 10));
        if (!grown)
            return false;
        views = static_cast<View**>(grown);
        viewCapacity += 10;
    }
    views[viewCount++] = view;
    view->setParentView(nullptr);
    view->setFrame(this);
    view->attached(this);
    return true;
}

bool Frame::removeView(View* view, bool withForget) {
    for (int32_t i = 0; i < viewCount; ++i) {
        if (views[i] != view)
            continue;
        for (int32_t j = i; j + 1 < viewCount; ++j) views[j] = views[j + 1];
        --viewCount;
        if (focusView == view)
            focusView = nullptr;
        view->removed(this);
        if (withForget)
            view->forget();
        return true;
    }
    return false;
}

bool Frame::removeAll(bool withForget) {
    if (focusView) {
        View* lost = focusView;
        focusView = nullptr;
        lost->looseFocus(nullptr);
    }
    while (viewCount > 0) removeView(views[0], withForget);
    return true;
}

bool Frame::isChild(View* view) {
    for (int32_t i = 0; i < viewCount; ++i)
        if (views[i] == view)
            return true;
    return false;
}

int32_t Frame::getNbViews() {
    return viewCount;
}

View* Frame::getView(int32_t index) {
    return index >= 0 && index < viewCount ? views[index] : nullptr;
}

bool Frame::setSize(int32_t width, int32_t height) {
    if (!open || (width == size.width() && height == size.height()))
        return false;
    size.right = size.left + width;
    size.bottom = size.top + height;
    if (!window)
        return true;
    resizeWindows(toWindow(width), toWindow(height));
    if (scale != 100) {
        dropCanvas();
        InvalidateRect(window, nullptr, FALSE);
    }
    return true;
}

void Frame::setScale(int32_t percent) {
    if (!isDisplayScale(percent))
        percent = 100;
    if (percent == scale)
        return;
    scale = percent;
    dropCanvas();
    if (!window)
        return;
    resizeWindows(toWindow(size.width()), toWindow(size.height()));
    InvalidateRect(window, nullptr, FALSE);
}

Point Frame::fromWindow(int32_t x, int32_t y) const {
    return Point(floorDivide(x * 100, scale), floorDivide(y * 100, scale));
}

POINT Frame::toScreen(const Point& where) const {
    POINT p = {toWindow(where.h), toWindow(where.v)};
    if (window)
        ClientToScreen(window, &p);
    return p;
}

HDC Frame::openCanvas() {
    if (scale == 100 || !window)
        return nullptr;
    if (!canvas) {
        HDC reference = GetDC(window);
        canvas = CreateCompatibleDC(reference);
        canvasWidth = size.width() > 0 ? size.width() : 1;
        canvasHeight = size.height() > 0 ? size.height() : 1;
        canvasBitmap = CreateCompatibleBitmap(reference, canvasWidth, canvasHeight);
        ReleaseDC(window, reference);
        if (!canvas || !canvasBitmap) {
            dropCanvas();
            return nullptr;  // drawn unscaled rather than not at all
        }
        canvasOldBitmap = SelectObject(canvas, canvasBitmap);
        // What no view covers shows the window's own background, as unscaled.
        RECT all = {0, 0, canvasWidth, canvasHeight};
        FillRect(canvas, &all, reinterpret_cast<HBRUSH>(GetClassLongPtrA(window, GCLP_HBRBACKGROUND)));
        canvasComplete = false;
    }
    ++canvasUsers;
    return canvas;
}

void Frame::closeCanvas(HDC windowContext) {
    if (canvasUsers > 0)
        --canvasUsers;
    present(windowContext);
    if (canvasUsers == 0 && canvasStale)
        dropCanvas();
}

void Frame::present(HDC target) {
    if (!canvas || !target || !window)
        return;
    if (!canvasComplete) {
        // Half a picture would flash: the paint that follows draws it whole.
        InvalidateRect(window, nullptr, FALSE);
        return;
    }
    const int saved = SaveDC(target);
    // A native child (the edit of a text field) keeps its own pixels.
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child))
            continue;
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
        ExcludeClipRect(target, r.left, r.top, r.right, r.bottom);
    }
    if (scale % 100 == 0) {
        SetStretchBltMode(target, COLORONCOLOR);
    } else {
        SetStretchBltMode(target, HALFTONE);
        SetBrushOrgEx(target, 0, 0, nullptr);
    }
    StretchBlt(target, 0, 0, toWindow(canvasWidth), toWindow(canvasHeight), canvas, 0, 0, canvasWidth, canvasHeight,
               SRCCOPY);
    RestoreDC(target, saved);
    lastPresent = GetTickCount();
}

void Frame::dropCanvas() {
    if (canvasUsers > 0) {
        canvasStale = true;  // a context still draws into it
        return;
    }
    if (canvas && canvasOldBitmap)
        SelectObject(canvas, canvasOldBitmap);
    if (canvasBitmap)
        DeleteObject(canvasBitmap);
    if (canvas)
        DeleteDC(canvas);
    canvas = nullptr;
    canvasBitmap = nullptr;
    canvasOldBitmap = nullptr;
    canvasComplete = false;
    canvasStale = false;
}

void Frame::resizeWindows(int32_t width, int32_t height) {
    // Grow the frame's window and each wrapping window up to the first one
    // with a caption, whose border makes the difference exactly twice the
    // dialog frame; an MDI client area and windows far larger than their
    // child stay as they are.
    HWND current = window;
    int dw = 0, dh = 0;
    const int captionBorder = 2 * GetSystemMetrics(SM_CYFIXEDFRAME);
    do {
        HWND parent = GetParent(current);
        if (!parent)
            break;
        char parentClass[32] = {0};
        GetClassNameA(parent, parentClass, sizeof(parentClass));
        if (lstrcmpiA(parentClass, "MDIClient") == 0)
            break;
        RECT own, outer;
        GetWindowRect(current, &own);
        GetWindowRect(parent, &outer);
        SetWindowPos(current, nullptr, 0, 0, width + dw, height + dh, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        dw = (outer.right - outer.left) - (own.right - own.left);
        dh = (outer.bottom - outer.top) - (own.bottom - own.top);
        if (dw > 80 || dh > 80)
            return;  // the parent belongs to the host: it keeps its size
        current = parent;
    } while (dw != captionBorder);
    SetWindowPos(current, nullptr, 0, 0, width + dw, height + dh, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND Frame::getOuterWindow() {
    if (!window)
        return nullptr;
    HWND current = window;
    RECT own;
    GetWindowRect(window, &own);
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    while (!(GetWindowLongA(current, GWL_STYLE) & WS_CAPTION)) {
        HWND parent = GetParent(current);
        if (!parent)
            break;
        RECT outer;
        GetWindowRect(parent, &outer);
        if (std::abs((outer.right - outer.left) - width) > 60 || std::abs((outer.bottom - outer.top) - height) > 60)
            break;
        current = parent;
    }
    return current;
}

void Frame::setFocusView(View* view) {
    View* previous = focusView;
    focusView = view;
    if (previous && previous != view)
        previous->looseFocus(nullptr);
}

void Frame::getCurrentLocation(Point& where) {
    POINT cursor = {0, 0};
    GetCursorPos(&cursor);
    if (window)
        ScreenToClient(window, &cursor);
    where = fromWindow(cursor.x, cursor.y);
}

View* Frame::getViewAt(const Point& where) {
    for (int32_t i = viewCount - 1; i >= 0; --i)
        if (views[i]->isInside(where))
            return views[i];
    return nullptr;
}

void Frame::beginEdit(int32_t tag) {
    if (editor)
        editor->beginEdit(tag);
}

void Frame::endEdit(int32_t tag) {
    if (editor)
        editor->endEdit(tag);
}

void Frame::idleWhileTracking() {
    // What a control draws while it holds the mouse goes into the picture:
    // show it now and then.
    if (canvasUsers > 0 && window && GetTickCount() - lastPresent >= 20) {
        HDC dc = GetDC(window);
        present(dc);
        ReleaseDC(window, dc);
    }
    if (editor)
        editor->idleWhileTracking();
}

bool Frame::anyViewDirty() {
    if (dirty)
        return true;
    for (int32_t i = 0; i < viewCount; ++i)
        if (views[i]->isDirty())
            return true;
    return false;
}

void Frame::idle() {
    if (!open || firstDraw || !anyViewDirty())
        return;
    if (paintContext) {
        update(paintContext);
        return;
    }
    if (!window)
        return;
    HDC dc = GetDC(window);
    DrawContext* context = new DrawContext(this, dc, window);
    update(context);
    delete context;
    ReleaseDC(window, dc);
}

void Frame::redraw(View* view) {
    DrawContext* context = paintContext;
    HDC dc = nullptr;
    if (!context) {
        if (!window)
            return;
        dc = GetDC(window);
        context = new DrawContext(this, dc, window);
    }
    if (view)
        view->draw(context);
    else
        draw(context);
    if (dc) {
        delete context;
        ReleaseDC(window, dc);
    }
}

void Frame::setCursor(int32_t kind) {
    static const LPCSTR kCursors[] = {nullptr,     IDC_WAIT,     IDC_SIZENS,  IDC_SIZEWE,
                                      IDC_SIZEALL, IDC_SIZENESW, IDC_SIZENWSE};
    if (!savedCursor)
        savedCursor = GetCursor();
    if (kind <= 0 || kind > 6) {
        SetCursor(savedCursor);
        return;
    }
    SetCursor(LoadCursorA(nullptr, kCursors[kind]));
}

uint32_t Frame::getTicks() {
    return window ? GetTickCount() : 0;
}

void Frame::setKnobMode(int32_t mode) {
    knobMode = mode;
}

int32_t Frame::getKnobMode() const {
    return knobMode;
}

void Frame::setBackground(Bitmap* bitmap) {
    Bitmap::replace(background, bitmap);
    setDirty(true);
}

}  // namespace tine
