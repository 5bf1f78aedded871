// Bitmap push button.
#include "controls/CControlButton.h"

#include "controls/SkinBitmap.h"

#include <QPainter>
#include <QWindow>

namespace zentrova {

CControlButton::CControlButton(QWidget *parent)
    : QAbstractButton(parent)
{
    setAttribute(Qt::WA_Hover, false);
    setFocusPolicy(Qt::TabFocus);
}

void CControlButton::SetBitmaps(int hover, int normal, int pressed, int fourth)
{
    m_normalImage = SkinPixmap(normal);
    m_pressedImage = SkinPixmap(pressed);
    m_fourthImage = SkinPixmap(fourth);
    m_hoverImage = SkinPixmap(hover);
    m_numbers[0] = hover;
    m_numbers[1] = normal;
    m_numbers[2] = pressed;
    m_numbers[3] = fourth;
    update();
}

bool CControlButton::SetRegionFromBitmap(int number)
{
    const QImage image = SkinImage(number);
    if (image.isNull()) {
        ApplyShape(std::nullopt);
        return false;
    }
    SetRegionFromImage(image);
    return true;
}

void CControlButton::SetRegionFromImage(const QImage &image)
{
    ApplyShape(RegionFromBitmap(image));
}

void CControlButton::ApplyShape(const std::optional<QRegion> &shape)
{
    // Qt takes an empty mask for no mask at all, so an empty shape is kept by hand.
    m_emptyShape = shape && shape->isEmpty();
    setAttribute(Qt::WA_TransparentForMouseEvents, m_emptyShape);
    setFocusPolicy(m_emptyShape ? Qt::NoFocus : Qt::TabFocus);
    if (shape && !m_emptyShape)
        setMask(*shape);
    else
        clearMask();
    update();
}

QSize CControlButton::sizeHint() const
{
    return m_normalImage.isNull() ? QSize(32, 24) : m_normalImage.size();
}

void CControlButton::paintEvent(QPaintEvent *)
{
    if (m_emptyShape)
        return;
    QPainter painter(this);
    const QRect area = rect();
    // Images are copied at the button's size, never scaled, as the skin was drawn to fit.
    const QPixmap &base = m_hover ? m_hoverImage : m_normalImage;
    if (!base.isNull())
        painter.drawPixmap(area.topLeft(), base, area);
    if (isDown() && !m_pressedImage.isNull())
        painter.drawPixmap(area.topLeft(), m_pressedImage, area);
}

void CControlButton::enterEvent(QEnterEvent *event)
{
    m_hover = true;
    update();
    // Enter reaches a disabled widget; Qt picks the cursor it shows only afterwards.
    LendCursorToParent(!isEnabled());
    QAbstractButton::enterEvent(event);
}

void CControlButton::leaveEvent(QEvent *event)
{
    m_hover = false;
    update();
    LendCursorToParent(false);
    QAbstractButton::leaveEvent(event);
}

void CControlButton::hideEvent(QHideEvent *event)
{
    LendCursorToParent(false);
    QAbstractButton::hideEvent(event);
}

void CControlButton::changeEvent(QEvent *event)
{
    // Qt has already cleared the cursor of a widget disabled under the pointer (a command that
    // disables its own button): the parent takes over, and the pointer keeps its shape.
    if (event->type() == QEvent::EnabledChange && underMouse()) {
        LendCursorToParent(!isEnabled());
        ShowOwnCursor();
    }
    QAbstractButton::changeEvent(event);
}

void CControlButton::LendCursorToParent(bool lend)
{
    QWidget *parent = parentWidget();
    if (!parent || lend == m_lending || (lend && !testAttribute(Qt::WA_SetCursor)))
        return;
    if (lend) {
        m_parentHadCursor = parent->testAttribute(Qt::WA_SetCursor);
        m_parentCursor = parent->cursor();
        parent->setCursor(cursor());
    } else if (m_parentHadCursor) {
        parent->setCursor(m_parentCursor);
    } else {
        parent->unsetCursor();
    }
    m_lending = lend;
}

void CControlButton::ShowOwnCursor()
{
    if (!testAttribute(Qt::WA_SetCursor))
        return;
    if (QWindow *handle = window()->windowHandle())
        handle->setCursor(cursor());
}

} // namespace zentrova
