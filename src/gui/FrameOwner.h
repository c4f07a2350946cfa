#pragma once
// What the toolkit asks of whoever opened a frame (the instrument's editor):
// the plug-in's edit gestures around a drag, and the host's idle while a
// control keeps the mouse in a loop of its own. The toolkit knows the plug-in
// through this and nothing else.

#include <cstdint>

namespace tine {

class FrameOwner {
public:
    virtual void beginEdit(int32_t tag) = 0;
    virtual void endEdit(int32_t tag) = 0;
    virtual void idleWhileTracking() = 0;

protected:
    ~FrameOwner() = default;
};

}  // namespace tine
