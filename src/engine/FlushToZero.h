#pragma once
// Rendering runs with denormals flushed to zero, in results (FTZ) and in
// operands (DAZ). A decaying state such as the chorus low-pass would otherwise
// settle on the smallest denormal, which times a coefficient above one half
// rounds back to itself, and every sample of the silence after a note would
// take the processor's slow path. The alternating denormal offset still keeps
// the phaser and the delay lines away from exact zero; this catches the rest.
//
// The caller's floating-point mode is put back on return: a host's own code
// may rely on gradual underflow.

#include <xmmintrin.h>

namespace tine {

class ScopedFlushToZero {
public:
    ScopedFlushToZero() : saved_(_mm_getcsr()) { _mm_setcsr(saved_ | kFlushToZero | kDenormalsAreZero); }
    ~ScopedFlushToZero() { _mm_setcsr(saved_); }
    ScopedFlushToZero(const ScopedFlushToZero&) = delete;
    ScopedFlushToZero& operator=(const ScopedFlushToZero&) = delete;

private:
    static constexpr unsigned kFlushToZero = 0x8000;       // MXCSR bit 15
    static constexpr unsigned kDenormalsAreZero = 0x0040;  // MXCSR bit 6
    unsigned saved_;
};

}  // namespace tine
