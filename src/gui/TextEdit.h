#pragma once
// A text field edited in place: a click (or a double click) lays a native
// edit control over it; Return or leaving the control ends the edit, takes the
// text back and tells the listener when it changed.

#include <windows.h>

#include "gui/ValueDisplay.h"

namespace tine {

using TextToDisplay = void (*)(const char* text, char* display);
using TextToDisplayWithData = void (*)(const char* text, char* display, void* userData);

class TextEdit : public ValueDisplay {
public:
    TextEdit(const Rect& size, ControlListener* listener, int32_t tag, const char* text = nullptr,
             Bitmap* background = nullptr, int32_t style = 0);
    ~TextEdit() override;

    void draw(DrawContext* context) override;
    void mouse(DrawContext* context, const Point& where) override;
    void takeFocus(DrawContext* context = nullptr) override;
    void looseFocus(DrawContext* context = nullptr) override;

    virtual void setText(const char* text);
    virtual void getText(char* text);
    virtual void setTextEditConvert(TextToDisplayWithData convert, void* userData);
    virtual void setTextEditConvert(TextToDisplay convert);

    const char* text() const { return textBuffer; }
    bool isEditing() const { return editControl != nullptr; }
    HWND getEditControl() const { return editControl; }

    // The frame's window asks this while the edit control paints: the field's
    // colours, and a brush of its back colour that the field keeps.
    HBRUSH colourEditControl(HDC dc);

private:
    static LRESULT CALLBACK editProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    Point offsetInFrame() const;

    char textBuffer[256];
    HWND editControl;
    HWND focusBefore;  // where the keys went before the edit took them
    HFONT editFont;
    HBRUSH editBrush;
    WNDPROC editDefaultProc;
    DWORD lastClickTime;
    DWORD doubleClickTime;
    TextToDisplay textToDisplay;
    TextToDisplayWithData textToDisplayWithData;
    void* displayUserData;
};

}  // namespace tine
