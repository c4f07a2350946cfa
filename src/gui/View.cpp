#include "gui/View.h"

#include "gui/Frame.h"

namespace tine {

View::View(const Rect& r)
    : referenceCount(1),
      size(r),
      mouseableArea(r),
      frame(nullptr),
      parentView(nullptr),
      dirty(false),
      mouseEnabled(true),
      transparency(false) {}

View::~View() = default;

void View::draw(DrawContext*) {}

void View::drawRect(DrawContext* context, const Rect&) {
    draw(context);
}

bool View::checkUpdate(const Rect& updateRect) {
    return size.overlaps(updateRect);
}

void View::mouse(DrawContext*, const Point&) {}

void View::update(DrawContext* context) {
    if (isDirty()) {
        draw(context);
        setDirty(false);
    }
}

void View::notify(View*, const char*) {}

int32_t View::onKeyDown(KeyCode&) {
    return -1;
}

int32_t View::onKeyUp(KeyCode&) {
    return -1;
}

bool View::onDrop(void**, int32_t, int32_t, const Point&) {
    return false;
}

bool View::onWheel(DrawContext*, const Point&, float) {
    return false;
}

void View::looseFocus(DrawContext*) {}

void View::takeFocus(DrawContext*) {}

bool View::isDirty() {
    return dirty;
}

void View::setDirty(bool flag) {
    dirty = flag;
}

void View::setMouseEnabled(bool flag) {
    mouseEnabled = flag;
}

bool View::getMouseEnabled() {
    return mouseEnabled;
}

void View::setMouseableArea(const Rect& area) {
    mouseableArea = area;
}

void View::getMouseableArea(Rect& area) {
    area = mouseableArea;
}

bool View::isInside(const Point& where) {
    return size.isInside(where);
}

void View::setTransparency(bool flag) {
    transparency = flag;
}

bool View::getTransparency() {
    return transparency;
}

void View::setViewSize(const Rect& rect) {
    size = rect;
    setDirty(true);
}

void View::setFrame(Frame* f) {
    frame = f;
}

void View::setParentView(View* parent) {
    parentView = parent;
}

FrameOwner* View::getEditor() {
    return frame ? frame->getEditor() : nullptr;
}

bool View::removed(View*) {
    return true;
}

bool View::attached(View*) {
    return true;
}

void View::forget() {
    if (referenceCount > 1)
        --referenceCount;
    else
        delete this;
}

void View::remember() {
    ++referenceCount;
}

int32_t View::getNbReference() {
    return referenceCount;
}

}  // namespace tine
