#include "gui/TextEdit.h"

#include <cstdio>
#include <cstring>

#include "gui/DrawContext.h"
#include "gui/Frame.h"

namespace tine {

namespace {

void copyText(char* destination, const char* source) {
    std::snprintf(destination, 256, "%s", source ? source : "");
}

}  // namespace

TextEdit::TextEdit(const Rect& r, ControlListener* l, int32_t t, const char* initial, Bitmap* bitmap, int32_t s)
    : ValueDisplay(r, bitmap, s),
      editControl(nullptr),
      focusBefore(nullptr),
      editFont(nullptr),
      editBrush(nullptr),
      editDefaultProc(nullptr),
      lastClickTime(0),
      doubleClickTime(GetDoubleClickTime()),
      textToDisplay(nullptr),
      textToDisplayWithData(nullptr),
      displayUserData(nullptr) {
    listener = l;
    tag = t;
    if (doubleClickTime < 250)
        doubleClickTime = 250;
    copyText(textBuffer, initial);
}

TextEdit::~TextEdit() {
    if (editControl) {
        SetWindowLongPtrA(editControl, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editDefaultProc));
        DestroyWindow(editControl);
    }
    if (editFont)
        DeleteObject(editFont);
    if (editBrush)
        DeleteObject(editBrush);
}

void TextEdit::setText(const char* newText) {
    const char* source = newText ? newText : "";
    if (std::strncmp(source, textBuffer, 255) == 0)
        return;
    copyText(textBuffer, source);
    setDirty(true);
}

void TextEdit::getText(char* out) {
    if (out)
        std::strcpy(out, textBuffer);
}

void TextEdit::setTextEditConvert(TextToDisplayWithData convert, void* data) {
    textToDisplayWithData = convert;
    displayUserData = data;
    setDirty(true);
}

void TextEdit::setTextEditConvert(TextToDisplay convert) {
    textToDisplay = convert;
    setDirty(true);
}

void TextEdit::draw(DrawContext* context) {
    char display[256] = {0};
    if (textToDisplayWithData)
        textToDisplayWithData(textBuffer, display, displayUserData);
    else if (textToDisplay)
        textToDisplay(textBuffer, display);
    else
        copyText(display, textBuffer);
    drawText(context, display);
}

void TextEdit::mouse(DrawContext* context, const Point&) {
    if (!mouseEnabled || !frame || !context || !(context->getMouseButtons() & kLButton))
        return;
    if (frame->getFocusView() == this)
        return;
    if (style & kDoubleClickStyle) {
        const DWORD now = GetTickCount();
        if (now - lastClickTime > doubleClickTime) {
            lastClickTime = now;
            return;
        }
    }
    frame->setFocusView(this);
    takeFocus(context);
}

Point TextEdit::offsetInFrame() const {
    Point offset;
    for (View* parent = parentView; parent; parent = parent->getParentView()) {
        offset.h += parent->getViewSize().left;
        offset.v += parent->getViewSize().top;
    }
    return offset;
}

void TextEdit::takeFocus(DrawContext* context) {
    if (editControl || !frame || !frame->getSystemWindow())
        return;
    const Point offset = context ? context->getDrawingOffset() : offsetInFrame();
    DWORD alignment = ES_LEFT;
    if (horiAlign == kCenterText)
        alignment = ES_CENTER;
    else if (horiAlign == kRightText)
        alignment = ES_RIGHT;
    // Over the field as the scaled frame shows it, the outline included.
    const int left = frame->toWindow(size.left + offset.h), top = frame->toWindow(size.top + offset.v);
    const int right = frame->toWindow(size.right + offset.h + 1), bottom = frame->toWindow(size.bottom + offset.v + 1);
    editControl = CreateWindowExA(0, "EDIT", textBuffer, WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | alignment, left, top,
                                  right - left, bottom - top, frame->getSystemWindow(), nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    if (!editControl)
        return;
    // The native control uses the field's font at normal weight.
    editFont = CreateFontA(-frame->toWindow(DrawContext::fontTableSize(fontNumber)), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                           FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           VARIABLE_PITCH | FF_SWISS, DrawContext::fontFace(fontNumber));
    if (editFont)
        SendMessageA(editControl, WM_SETFONT, reinterpret_cast<WPARAM>(editFont), TRUE);
    SetWindowLongPtrA(editControl, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SendMessageA(editControl, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(0, 0));
    SendMessageA(editControl, EM_SETSEL, 0, -1);
    focusBefore = SetFocus(editControl);
    editDefaultProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(editControl, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editProc)));
}

LRESULT CALLBACK TextEdit::editProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TextEdit* field = reinterpret_cast<TextEdit*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!field)
        return DefWindowProcA(window, message, wParam, lParam);
    const WNDPROC next = field->editDefaultProc;
    switch (message) {
    case WM_GETDLGCODE:
        // Return belongs to the field, not to a dialog around it.
        return CallWindowProcA(next, window, message, wParam, lParam) | DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
        if (wParam == VK_RETURN) {
            field->looseFocus(nullptr);
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == '\r')
            return 0;
        break;
    case WM_KILLFOCUS:
        field->looseFocus(nullptr);
        return 0;
    default:
        break;
    }
    return CallWindowProcA(next, window, message, wParam, lParam);
}

HBRUSH TextEdit::colourEditControl(HDC dc) {
    SetTextColor(dc, toColorRef(fontColor));
    SetBkColor(dc, toColorRef(backColor));
    HBRUSH created = CreateSolidBrush(toColorRef(backColor));
    if (created) {
        if (editBrush)
            DeleteObject(editBrush);
        editBrush = created;
    }
    return editBrush;
}

void TextEdit::looseFocus(DrawContext* context) {
    if (!editControl)
        return;
    // Taken first, so the focus changes and messages below cannot end the
    // same edit twice.
    HWND edit = editControl;
    editControl = nullptr;
    if (frame && frame->getFocusView() == this)
        frame->setFocusView(nullptr);

    char edited[256] = {0};
    GetWindowTextA(edit, edited, 255);
    // An edit ended from inside (Return, a click on the frame) hands the keys
    // back to the window that had them, not to the frame's window.
    if (GetFocus() == edit && focusBefore && IsWindow(focusBefore))
        SetFocus(focusBefore);
    focusBefore = nullptr;
    SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editDefaultProc));
    SetWindowLongPtrA(edit, GWLP_USERDATA, 0);
    DestroyWindow(edit);
    if (editFont)
        DeleteObject(editFont);
    if (editBrush)
        DeleteObject(editBrush);
    editFont = nullptr;
    editBrush = nullptr;

    if (std::strcmp(edited, textBuffer) != 0) {
        setText(edited);
        if (context) {
            notifyListener(context);
        } else if (frame && frame->getSystemWindow()) {
            HWND window = frame->getSystemWindow();
            HDC dc = GetDC(window);
            DrawContext* own = new DrawContext(frame, dc, window);
            const Point offset = offsetInFrame();
            own->setDrawingOffset(offset);
            const Point origin = own->getWindowOrigin();
            own->setWindowOrigin(Point(origin.h + offset.h, origin.v + offset.v));
            notifyListener(own);
            delete own;
            ReleaseDC(window, dc);
        } else {
            notifyListener(nullptr);
        }
    }
    if (parentView)
        parentView->notify(this, "LooseFocus");
    else if (frame)
        frame->notify(this, "LooseFocus");
}

}  // namespace tine
