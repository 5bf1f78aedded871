// Numeric control identifiers and dialog-unit geometry, shared by every window of the program.
#pragma once

#include <QRect>

class QWidget;

namespace zentrova {

// Gives `control` the identifier the window's layout names it by.
void SetControlId(QWidget *control, int id);

// The identifier given to `control`, or 0.
int ControlId(const QWidget *control);

// The descendant of `root` carrying identifier `id`, or null.
QWidget *FindControl(const QWidget *root, int id);

// A rectangle in dialog units as pixels, for a template font whose average character is
// `charWidth` x `charHeight` pixels (7 x 14 for the 9-point templates, 6 x 13 for 8-point ones).
// Each edge is converted on its own and rounded, as dialog templates are.
QRect DialogUnitRect(int x, int y, int width, int height, int charWidth = 7, int charHeight = 14);

} // namespace zentrova
