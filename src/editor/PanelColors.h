#pragma once
// The panel's own colours, shared by the editor and its views.

#include "gui/Geometry.h"

namespace tine {

inline constexpr Color kPanelTextColor{10, 10, 10};
inline constexpr Color kMutedTextColor{120, 120, 120};
inline constexpr Color kLightTextColor{170, 180, 170};
inline constexpr Color kNameFieldColor{34, 36, 34};

}  // namespace tine
