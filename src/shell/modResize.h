#pragma once

class QWidget;

// Keeps a window's whole layout in proportion to its client area: every
// control's place and size, and the font size of every control that has one.
// The layout is recorded once per window, at the first call with a non-empty
// client area, as ratios of that client area; every later call places the
// controls by multiplying the ratios with the current client size.
//
// The controls are the named widgets inside the client area (for a main
// window, its central widget). Parts of composite widgets (a list's viewport,
// a tab widget's page stack, anything a layout manages) are left to their
// owner.
namespace modResize {

void ResizeForm(QWidget& window);

}  // namespace modResize
