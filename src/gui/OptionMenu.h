#pragma once
// A control that shows its current entry and, when clicked, pops up a native
// menu of its entries: columns, check marks, separators, greyed entries,
// titles and sub-menus. Choosing an entry makes its index the value.

#include <windows.h>

#include "gui/ValueDisplay.h"

namespace tine {

class OptionMenu : public ValueDisplay {
public:
    static constexpr int32_t kMaxEntries = 1024;
    static constexpr int32_t kEntryLength = 256;

    OptionMenu(const Rect& size, ControlListener* listener, int32_t tag, Bitmap* background = nullptr,
               Bitmap* openBitmap = nullptr, int32_t style = 0);
    ~OptionMenu() override;

    void draw(DrawContext* context) override;
    void mouse(DrawContext* context, const Point& where) override;
    void looseFocus(DrawContext* context = nullptr) override;
    void takeFocus(DrawContext* context = nullptr) override;
    void setValue(float v) override;

    // Inserts at index, or appends for -1. "-" alone is a separator; the
    // prefixes "-G" (greyed) and "-T" (title) are not shown.
    virtual bool addEntry(const char* text, int32_t index = -1);
    // An entry that opens another menu; the menu is remembered.
    virtual bool addEntry(OptionMenu* subMenu, const char* title);
    // The current index (-1 for none) and, with text given, its text.
    virtual int32_t getCurrent(char* text = nullptr, bool countSeparator = true);
    virtual bool setCurrent(int32_t index, bool countSeparator = true);
    virtual bool getEntry(int32_t index, char* text);
    virtual bool setEntry(int32_t index, const char* text);
    virtual bool removeEntry(int32_t index);
    virtual bool removeAllEntry();
    virtual int32_t getNbEntries();
    virtual int32_t getIndex(const char* text);
    virtual bool setCheck(int32_t index, bool flag = true);
    virtual bool checkEntryAlone(int32_t index);
    virtual bool getCheck(int32_t index);
    virtual void setNbItemsPerColumn(int32_t count);
    virtual int32_t getNbItemsPerColumn();
    virtual bool isOwnerDraw();

    // The native popup menu of the entries, item numbers counted on from
    // nextItem through the sub-menus; the caller destroys it.
    HMENU buildMenu(int32_t& nextItem);
    // The menu and entry behind an item number of buildMenu from firstItem.
    bool findItem(int32_t item, int32_t& nextItem, OptionMenu*& menu, int32_t& index);

    int32_t getNbSubMenus() const { return subMenuCount; }
    OptionMenu* getSubMenu(int32_t index) const {
        return index >= 0 && index < subMenuCount ? subMenus[index] : nullptr;
    }
    int32_t getLastButton() const { return lastButton; }

private:
    bool grow();
    // The index into the entries of the n-th entry that is not a separator.
    int32_t indexWithoutSeparators(int32_t n);

    HMENU menu;
    char (*entries)[kEntryLength];
    OptionMenu** subMenus;
    bool* checks;
    int32_t entryCount;
    int32_t entryCapacity;
    int32_t subMenuCount;
    int32_t subMenuCapacity;
    int32_t currentIndex;
    Bitmap* openBitmap;
    int32_t lastButton;
    int32_t itemsPerColumn;
};

}  // namespace tine
