// Bitmap push button.
#include "CControlButton.h"

#include "SkinBitmap.h"

#include <QPainter>

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
        clearMask();
        return false;
    }
    setMask(RegionFromBitmap(image));
    return true;
}

QSize CControlButton::sizeHint() const
{
    return m_normalImage.isNull() ? QSize(32, 24) : m_normalImage.size();
}

void CControlButton::paintEvent(QPaintEvent *)
{
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
    QAbstractButton::enterEvent(event);
}

void CControlButton::leaveEvent(QEvent *event)
{
    m_hover = false;
    update();
    QAbstractButton::leaveEvent(event);
}

} // namespace zentrova
