#include "gui/OptionMenu.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gui/Bitmap.h"
#include "gui/DrawContext.h"
#include "gui/Frame.h"

namespace tine {

namespace {

constexpr int32_t kEntryGrowth = 32;
constexpr int32_t kSubMenuGrowth = 10;
// Large menus scroll instead of breaking into columns.
constexpr int32_t kColumnLimit = 160;

bool isSeparator(const char* text) {
    return std::strcmp(text, "-") == 0;
}

bool hasPrefix(const char* text, char kind) {
    return text[0] == '-' && text[1] == kind;
}

// The text an entry shows, without its marker prefix.
const char* shownText(const char* text) {
    if (hasPrefix(text, 'M') || hasPrefix(text, 'G') || hasPrefix(text, 'T'))
        return text + 2;
    return text;
}

}  // namespace

OptionMenu::OptionMenu(const Rect& r, ControlListener* l, int32_t t, Bitmap* bitmap, Bitmap* whileOpen, int32_t s)
    : ValueDisplay(r, bitmap, s),
      menu(nullptr),
      entries(nullptr),
      subMenus(nullptr),
      checks(nullptr),
      entryCount(0),
      entryCapacity(0),
      subMenuCount(0),
      subMenuCapacity(0),
      currentIndex(-1),
      openBitmap(whileOpen),
      lastButton(0),
      itemsPerColumn(-1) {
    listener = l;
    tag = t;
    if (openBitmap)
        openBitmap->remember();
}

OptionMenu::~OptionMenu() {
    removeAllEntry();
    std::free(entries);
    std::free(checks);
    for (int32_t i = 0; i < subMenuCount; ++i) subMenus[i]->forget();
    std::free(subMenus);
    if (openBitmap)
        openBitmap->forget();
}

bool OptionMenu::grow() {
    if (entryCount < entryCapacity)
        return true;
    const int32_t capacity = entryCapacity + kEntryGrowth;
    void* moreEntries = std::realloc(entries, sizeof(*entries) * static_cast<size_t>(capacity));
    if (!moreEntries)
        return false;
    entries = static_cast<char(*)[kEntryLength]>(moreEntries);
    void* moreChecks = std::realloc(checks, sizeof(bool) * static_cast<size_t>(capacity));
    if (!moreChecks)
        return false;
    checks = static_cast<bool*>(moreChecks);
    entryCapacity = capacity;
    return true;
}

bool OptionMenu::addEntry(const char* text, int32_t index) {
    if (entryCount >= kMaxEntries || !grow())
        return false;
    if (index < 0 || index > entryCount)
        index = entryCount;
    std::memmove(entries + index + 1, entries + index, sizeof(*entries) * static_cast<size_t>(entryCount - index));
    std::memmove(checks + index + 1, checks + index, sizeof(bool) * static_cast<size_t>(entryCount - index));
    std::snprintf(entries[index], kEntryLength, "%s", text ? text : "");
    checks[index] = false;
    ++entryCount;
    return true;
}

bool OptionMenu::addEntry(OptionMenu* subMenu, const char* title) {
    if (!subMenu)
        return false;
    if (subMenuCount == subMenuCapacity) {
        void* more =
            std::realloc(subMenus, sizeof(OptionMenu*) * static_cast<size_t>(subMenuCapacity + kSubMenuGrowth));
        if (!more)
            return false;
        subMenus = static_cast<OptionMenu**>(more);
        subMenuCapacity += kSubMenuGrowth;
    }
    char text[kEntryLength];
    std::snprintf(text, sizeof(text), "-M%s", title ? title : "");
    if (!addEntry(text))
        return false;
    subMenus[subMenuCount++] = subMenu;
    subMenu->remember();
    return true;
}

int32_t OptionMenu::indexWithoutSeparators(int32_t n) {
    for (int32_t i = 0; i < entryCount; ++i) {
        if (isSeparator(entries[i]))
            continue;
        if (n-- == 0)
            return i;
    }
    return -1;
}

int32_t OptionMenu::getCurrent(char* text, bool countSeparator) {
    if (currentIndex < 0 || currentIndex >= entryCount)
        return -1;
    if (text)
        std::strcpy(text, shownText(entries[currentIndex]));
    if (countSeparator)
        return currentIndex;
    int32_t index = currentIndex;
    for (int32_t i = 0; i < currentIndex; ++i)
        if (isSeparator(entries[i]))
            --index;
    return index;
}

bool OptionMenu::setCurrent(int32_t index, bool countSeparator) {
    if (!countSeparator)
        index = indexWithoutSeparators(index);
    if (index < 0 || index >= entryCount)
        return false;
    currentIndex = index;
    value = static_cast<float>(index);
    if (style & kCheckStyle)
        checks[index] = !checks[index];
    setDirty(true);
    return true;
}

bool OptionMenu::getEntry(int32_t index, char* text) {
    if (index < 0 || index >= entryCount || !text)
        return false;
    std::strcpy(text, shownText(entries[index]));
    return true;
}

bool OptionMenu::setEntry(int32_t index, const char* text) {
    if (index < 0 || index >= entryCount)
        return false;
    std::snprintf(entries[index], kEntryLength, "%s", text ? text : "");
    if (index == currentIndex)
        setDirty(true);
    return true;
}

bool OptionMenu::removeEntry(int32_t index) {
    if (index < 0 || index >= entryCount)
        return false;
    std::memmove(entries + index, entries + index + 1, sizeof(*entries) * static_cast<size_t>(entryCount - index - 1));
    std::memmove(checks + index, checks + index + 1, sizeof(bool) * static_cast<size_t>(entryCount - index - 1));
    --entryCount;
    if (currentIndex >= entryCount)
        currentIndex = entryCount - 1;
    return true;
}

bool OptionMenu::removeAllEntry() {
    entryCount = 0;
    currentIndex = -1;
    return true;
}

int32_t OptionMenu::getNbEntries() {
    return entryCount;
}

int32_t OptionMenu::getIndex(const char* text) {
    if (!text)
        return -1;
    for (int32_t i = 0; i < entryCount; ++i)
        if (std::strcmp(shownText(entries[i]), text) == 0)
            return i;
    return -1;
}

bool OptionMenu::setCheck(int32_t index, bool flag) {
    if (index < 0 || index >= entryCount)
        return false;
    checks[index] = flag;
    return true;
}

bool OptionMenu::checkEntryAlone(int32_t index) {
    if (index < 0 || index >= entryCount)
        return false;
    for (int32_t i = 0; i < entryCount; ++i) checks[i] = i == index;
    return true;
}

bool OptionMenu::getCheck(int32_t index) {
    return index >= 0 && index < entryCount && checks[index];
}

void OptionMenu::setNbItemsPerColumn(int32_t count) {
    itemsPerColumn = count;
}

int32_t OptionMenu::getNbItemsPerColumn() {
    return itemsPerColumn;
}

bool OptionMenu::isOwnerDraw() {
    return false;
}

void OptionMenu::setValue(float v) {
    value = v;
    const int32_t index = static_cast<int32_t>(v);
    if (index < 0 || index >= entryCount)
        return;
    currentIndex = index;
    if (style & kCheckStyle)
        checks[index] = !checks[index];
}

void OptionMenu::draw(DrawContext* context) {
    const char* text = currentIndex >= 0 && currentIndex < entryCount ? shownText(entries[currentIndex]) : "";
    drawText(context, text);
}

HMENU OptionMenu::buildMenu(int32_t& nextItem) {
    HMENU popup = CreatePopupMenu();
    if (!popup)
        return nullptr;
    const bool columns = itemsPerColumn > 0 && entryCount < kColumnLimit;
    int32_t subMenu = 0;
    for (int32_t i = 0; i < entryCount; ++i) {
        const char* text = entries[i];
        UINT flags = MF_STRING;
        if (columns && i > 0 && i % itemsPerColumn == 0)
            flags |= MF_MENUBARBREAK;
        if (isSeparator(text)) {
            AppendMenuA(popup, MF_SEPARATOR | (flags & MF_MENUBARBREAK), 0, nullptr);
            continue;
        }
        if (hasPrefix(text, 'M')) {
            OptionMenu* child = subMenu < subMenuCount ? subMenus[subMenu++] : nullptr;
            HMENU childMenu = child ? child->buildMenu(nextItem) : nullptr;
            if (childMenu)
                AppendMenuA(popup, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(childMenu), text + 2);
            continue;
        }
        if (hasPrefix(text, 'G'))
            flags |= MF_GRAYED;
        else if (hasPrefix(text, 'T'))
            flags |= MF_DISABLED;
        if (((style & kCheckStyle) && checks[i]) || ((style & kCheckCurrentStyle) && i == currentIndex))
            flags |= MF_CHECKED;
        AppendMenuA(popup, flags, static_cast<UINT_PTR>(nextItem++), shownText(text));
    }
    return popup;
}

bool OptionMenu::findItem(int32_t item, int32_t& nextItem, OptionMenu*& found, int32_t& index) {
    int32_t subMenu = 0;
    for (int32_t i = 0; i < entryCount; ++i) {
        const char* text = entries[i];
        if (isSeparator(text))
            continue;
        if (hasPrefix(text, 'M')) {
            OptionMenu* child = subMenu < subMenuCount ? subMenus[subMenu++] : nullptr;
            if (child && child->findItem(item, nextItem, found, index))
                return true;
            continue;
        }
        if (nextItem++ == item) {
            found = this;
            index = i;
            return true;
        }
    }
    return false;
}

void OptionMenu::mouse(DrawContext* context, const Point&) {
    if (!mouseEnabled || !frame || !context)
        return;
    lastButton = context->getMouseButtons();
    if (!(lastButton & (kLButton | kRButton)))
        return;
    if (openBitmap)
        openBitmap->draw(context, size);
    frame->setFocusView(this);
    takeFocus(context);
}

void OptionMenu::looseFocus(DrawContext*) {
    menu = nullptr;
}

void OptionMenu::takeFocus(DrawContext* context) {
    HWND window = frame ? frame->getSystemWindow() : nullptr;
    if (!window)
        return;
    int32_t nextItem = 1;
    menu = buildMenu(nextItem);
    if (!menu)
        return;

    // Below the menu's box (or at its top) as the scaled frame shows it.
    Point corner(size.left, (style & kPopupTopStyle) ? size.top : size.bottom);
    int x, y;
    if (context) {
        const Point screen = context->toScreen(corner);
        x = screen.h;
        y = screen.v;
    } else {
        for (View* parent = parentView; parent; parent = parent->getParentView())
            corner.offset(parent->getViewSize().left, parent->getViewSize().top);
        const POINT screen = frame->toScreen(corner);
        x = screen.x;
        y = screen.y;
    }
    UINT flags = TPM_LEFTALIGN | TPM_RETURNCMD | TPM_NONOTIFY;
    if (lastButton & kRButton)
        flags |= TPM_RIGHTBUTTON;
    HMENU shown = menu;
    const int chosen = TrackPopupMenu(shown, flags, x, y, 0, window, nullptr);

    // The click that closed the menu must not reach the views below it.
    MSG pending;
    while (PeekMessageA(&pending, window, WM_LBUTTONDOWN, WM_MBUTTONDBLCLK, PM_REMOVE)) {
    }
    DestroyMenu(shown);
    menu = nullptr;
    if (frame->getFocusView() == this)
        frame->setFocusView(nullptr);

    if (chosen > 0) {
        int32_t counter = 1;
        OptionMenu* holder = nullptr;
        int32_t index = -1;
        if (findItem(chosen, counter, holder, index) && holder) {
            holder->setValue(static_cast<float>(index));
            if (holder->listener)
                holder->listener->valueChanged(context, holder);
        }
    }
    idleWhileTracking();
    setDirty(false);
}

}  // namespace tine
