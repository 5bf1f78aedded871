// Control identifiers live in a dynamic property so any Qt widget can carry one.
#include "ControlLayout.h"

#include <QVariant>
#include <QWidget>

#include <cmath>

namespace zentrova {

namespace {

constexpr char kIdProperty[] = "controlId";

int Scale(int units, int charSize, int per)
{
    return static_cast<int>(std::lround(static_cast<double>(units) * charSize / per));
}

} // namespace

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
    const int left = Scale(x, charWidth, 4);
    const int top = Scale(y, charHeight, 8);
    const int right = Scale(x + width, charWidth, 4);
    const int bottom = Scale(y + height, charHeight, 8);
    return QRect(left, top, right - left, bottom - top);
}

} // namespace zentrova
