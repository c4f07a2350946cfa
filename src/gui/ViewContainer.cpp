#include "gui/ViewContainer.h"

#include "gui/Bitmap.h"
#include "gui/Frame.h"
#include "gui/OffscreenContext.h"

namespace tine {

ViewContainer::ViewContainer(const Rect& r, Frame* f, Bitmap* bitmap)
    : View(r),
      firstNode(nullptr),
      lastNode(nullptr),
      background(bitmap),
      mode(0),
      offscreenDrawing(true),
      offscreen(nullptr),
      backgroundColor(kBlackColor),
      backgroundOffset(0, 0) {
    frame = f;
    if (background)
        background->remember();
}

ViewContainer::~ViewContainer() {
    removeAll(true);
    if (background)
        background->forget();
    destroyOffscreen();
}

void ViewContainer::destroyOffscreen() {
    delete offscreen;
    offscreen = nullptr;
}

void ViewContainer::enter(DrawContext* context, Point& savedOffset, Point& savedOrigin) {
    savedOffset = context->getDrawingOffset();
    savedOrigin = context->getWindowOrigin();
    context->setDrawingOffset(Point(savedOffset.h + size.left, savedOffset.v + size.top));
    context->setWindowOrigin(Point(savedOrigin.h + size.left, savedOrigin.v + size.top));
}

void ViewContainer::leave(DrawContext* context, const Point& savedOffset, const Point& savedOrigin) {
    context->setDrawingOffset(savedOffset);
    context->setWindowOrigin(savedOrigin);
}

void ViewContainer::draw(DrawContext* context) {
    if (!context)
        return;
    if (offscreenDrawing && !offscreen) {
        offscreen = new OffscreenContext(frame, size.width(), size.height(), kBlackColor);
        if (!offscreen->isValid())
            destroyOffscreen();
    }
    DrawContext* target = offscreenDrawing && offscreen ? offscreen : context;
    Point savedOffset, savedOrigin;
    if (target == context)
        enter(context, savedOffset, savedOrigin);

    const Rect local(0, 0, size.width(), size.height());
    if (background) {
        if (transparency)
            background->drawTransparent(target, local, backgroundOffset);
        else
            background->draw(target, local, backgroundOffset);
    } else if (!transparency) {
        target->setFillColor(backgroundColor);
        target->fillRect(Rect(-1, -1, local.right, local.bottom));
    }

    for (Node* node = firstNode; node; node = node->next) node->view->draw(target);

    if (target == offscreen)
        offscreen->copyFrom(context, size);
    else
        leave(context, savedOffset, savedOrigin);
    setDirty(false);
}

void ViewContainer::drawRect(DrawContext* context, const Rect&) {
    // The offscreen copy makes a whole redraw as cheap as a partial one.
    draw(context);
}

void ViewContainer::mouse(DrawContext* context, const Point& where) {
    const Point local(where.h - size.left, where.v - size.top);
    Point savedOffset, savedOrigin;
    if (context)
        enter(context, savedOffset, savedOrigin);
    for (Node* node = lastNode; node; node = node->previous) {
        View* view = node->view;
        if (view->getMouseEnabled() && view->isInside(local)) {
            view->mouse(context, local);
            break;
        }
    }
    if (context)
        leave(context, savedOffset, savedOrigin);
}

void ViewContainer::update(DrawContext* context) {
    // Mode 0: any change redraws the whole container through the offscreen.
    if (isDirty())
        draw(context);
}

int32_t ViewContainer::onKeyDown(KeyCode& key) {
    for (Node* node = lastNode; node; node = node->previous) {
        const int32_t result = node->view->onKeyDown(key);
        if (result != -1)
            return result;
    }
    return -1;
}

int32_t ViewContainer::onKeyUp(KeyCode& key) {
    for (Node* node = lastNode; node; node = node->previous) {
        const int32_t result = node->view->onKeyUp(key);
        if (result != -1)
            return result;
    }
    return -1;
}

bool ViewContainer::onDrop(void** items, int32_t count, int32_t type, const Point& where) {
    const Point local(where.h - size.left, where.v - size.top);
    for (Node* node = lastNode; node; node = node->previous) {
        View* view = node->view;
        if (view->getMouseEnabled() && view->isInside(local) && view->onDrop(items, count, type, local))
            return true;
    }
    return false;
}

bool ViewContainer::onWheel(DrawContext* context, const Point& where, float distance) {
    const Point local(where.h - size.left, where.v - size.top);
    Point savedOffset, savedOrigin;
    if (context)
        enter(context, savedOffset, savedOrigin);
    bool taken = false;
    for (Node* node = lastNode; node && !taken; node = node->previous) {
        View* view = node->view;
        if (view->getMouseEnabled() && view->isInside(local))
            taken = view->onWheel(context, local, distance);
    }
    if (context)
        leave(context, savedOffset, savedOrigin);
    return taken;
}

void ViewContainer::looseFocus(DrawContext* context) {
    for (Node* node = firstNode; node; node = node->next) node->view->looseFocus(context);
}

void ViewContainer::takeFocus(DrawContext* context) {
    for (Node* node = firstNode; node; node = node->next) node->view->takeFocus(context);
}

bool ViewContainer::isDirty() {
    if (dirty)
        return true;
    for (Node* node = firstNode; node; node = node->next)
        if (node->view->isDirty())
            return true;
    return false;
}

void ViewContainer::setViewSize(const Rect& rect) {
    View::setViewSize(rect);
    // The offscreen bitmap has the old size; the next draw makes a new one.
    destroyOffscreen();
}

bool ViewContainer::removed(View*) {
    destroyOffscreen();
    return true;
}

bool ViewContainer::attached(View*) {
    if (offscreenDrawing && !offscreen) {
        offscreen = new OffscreenContext(frame, size.width(), size.height(), kBlackColor);
        if (!offscreen->isValid())
            destroyOffscreen();
    }
    return true;
}

void ViewContainer::addView(View* view, const Rect& r, const Rect& area) {
    if (!view)
        return;
    view->setViewSize(r);
    view->setMouseableArea(area);
    addView(view);
}

void ViewContainer::addView(View* view) {
    if (!view)
        return;
    Node* node = new Node{view, nullptr, lastNode};
    if (lastNode)
        lastNode->next = node;
    else
        firstNode = node;
    lastNode = node;
    view->setParentView(this);
    view->setFrame(frame);
    view->attached(this);
    view->setDirty(true);
}

void ViewContainer::unlink(Node* node) {
    if (node->previous)
        node->previous->next = node->next;
    else
        firstNode = node->next;
    if (node->next)
        node->next->previous = node->previous;
    else
        lastNode = node->previous;
}

void ViewContainer::removeView(View* view, bool withForget) {
    for (Node* node = firstNode; node; node = node->next) {
        if (node->view == view) {
            unlink(node);
            delete node;
            view->removed(this);
            if (withForget)
                view->forget();
            return;
        }
    }
}

void ViewContainer::removeAll(bool withForget) {
    while (firstNode) {
        Node* node = firstNode;
        View* view = node->view;
        unlink(node);
        delete node;
        view->removed(this);
        if (withForget)
            view->forget();
    }
}

bool ViewContainer::isChild(View* view) {
    for (Node* node = firstNode; node; node = node->next)
        if (node->view == view)
            return true;
    return false;
}

int32_t ViewContainer::getNbViews() {
    int32_t count = 0;
    for (Node* node = firstNode; node; node = node->next) ++count;
    return count;
}

View* ViewContainer::getView(int32_t index) {
    if (index < 0)
        return nullptr;
    for (Node* node = firstNode; node; node = node->next, --index)
        if (index == 0)
            return node->view;
    return nullptr;
}

void ViewContainer::setBackgroundColor(Color colour) {
    backgroundColor = colour;
    setDirty(true);
}

void ViewContainer::setBackground(Bitmap* bitmap) {
    Bitmap::replace(background, bitmap);
    setDirty(true);
}

Bitmap* ViewContainer::getBackground() {
    return background;
}

void ViewContainer::setBackgroundOffset(const Point& p) {
    backgroundOffset = p;
}

void ViewContainer::setMode(int32_t m) {
    mode = m;
}

int32_t ViewContainer::getMode() {
    return mode;
}

void ViewContainer::setOffscreenDrawing(bool flag) {
    offscreenDrawing = flag;
    if (!flag)
        destroyOffscreen();
}

}  // namespace tine
