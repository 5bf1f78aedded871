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

// The average character of the 8-point templates (the dialogs); the main window's 9-point
// template has the defaults below, 7 x 14.
constexpr int kSmallCharWidth = 6;
constexpr int kSmallCharHeight = 13;

// A horizontal or vertical length in dialog units as pixels, rounded to the nearest pixel.
int DialogUnitsX(int units, int charWidth = 7);
int DialogUnitsY(int units, int charHeight = 14);

// A rectangle in dialog units as pixels, for a template font whose average character is
// `charWidth` x `charHeight` pixels. Each edge is converted on its own and rounded, so
// rectangles that share an edge in units share it in pixels.
QRect DialogUnitRect(int x, int y, int width, int height, int charWidth = 7, int charHeight = 14);

// DialogUnitRect for the 8-point templates.
QRect SmallTemplateRect(int x, int y, int width, int height);

} // namespace zentrova
