#pragma once

// The order in which Tab and Shift+Tab walk a window's controls, stated in one place: the
// dialog keyboard handling follows the z-order, and the arrow keys move within a group.

#include <initializer_list>

#include "widgets/window.h"

namespace zr::widgets {

// One group of the walk: its first control starts the group; the arrow keys move between the
// controls of a group (radio buttons), never out of it.
using TabGroup = std::initializer_list<const Window*>;

// Puts the groups' controls, in this order, on top of their parent's z-order (they must share
// one parent and must not overlap the controls they rise above). The control that follows them
// starts a group of its own, so the arrow keys of the last group stay in it too. Which
// controls are stops is their own affair (WS_TABSTOP; a radio group stops at its checked
// button): the order is this list's.
void SetTabOrder(std::initializer_list<TabGroup> groups);

}  // namespace zr::widgets
