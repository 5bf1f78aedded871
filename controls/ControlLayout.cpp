// Control identifiers live in a dynamic property so any Qt widget can carry one.
#include "controls/ControlLayout.h"

#include <QVariant>
#include <QWidget>

#include <cmath>

namespace zentrova {

namespace {

constexpr char kIdProperty[] = "controlId";

} // namespace

int DialogUnitsX(int units, int charWidth)
{
    return static_cast<int>(std::lround(static_cast<double>(units) * charWidth / 4));
}

int DialogUnitsY(int units, int charHeight)
{
    return static_cast<int>(std::lround(static_cast<double>(units) * charHeight / 8));
}

void SetControlId(QWidget *control, int id)
{
    control->setProperty(kIdProperty, id);
}

int ControlId(const QWidget *control)
{
    return control ? control->property(kIdProperty).toInt() : 0;
}

QWidget *FindControl(const QWidget *root, int id)
{
    if (!root)
        return nullptr;
    const auto children = root->findChildren<QWidget *>();
    for (QWidget *child : children) {
        if (ControlId(child) == id)
            return child;
    }
    return nullptr;
}

QRect DialogUnitRect(int x, int y, int width, int height, int charWidth, int charHeight)
{
    const int left = DialogUnitsX(x, charWidth);
    const int top = DialogUnitsY(y, charHeight);
    const int right = DialogUnitsX(x + width, charWidth);
    const int bottom = DialogUnitsY(y + height, charHeight);
    return QRect(left, top, right - left, bottom - top);
}

QRect SmallTemplateRect(int x, int y, int width, int height)
{
    return DialogUnitRect(x, y, width, height, kSmallCharWidth, kSmallCharHeight);
}

} // namespace zentrova
