// Bitmap slider: position <-> pixel mapping, painting and input.
#include "CBitmapSlider.h"

#include "ControlLayout.h"
#include "SkinBitmap.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <cstdlib>

namespace zentrova {

CBitmapSlider::CBitmapSlider(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

bool CBitmapSlider::SetChannelBitmaps(int first, int second)
{
    QPixmap a = SkinPixmap(first);
    QPixmap b = SkinPixmap(second);
    if (a.isNull() || b.isNull())
        return false;
    m_channelFirst = a;
    m_channelSecond = b;
    resize(a.size());
    update();
    return true;
}

bool CBitmapSlider::SetThumbBitmaps()
{
    const QImage normal = SkinImage(308);
    const QImage drag = SkinImage(309);
    if (normal.isNull() || drag.isNull())
        return false;
    m_thumb = KeyedPixmap(normal, normal.pixel(0, 0));
    // Both thumbs are cut by the normal thumb's outline, so dragging never changes the shape.
    QImage dragImage = drag.convertToFormat(QImage::Format_ARGB32);
    const QImage normalArgb = m_thumb.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < dragImage.height() && y < normalArgb.height(); ++y)
        for (int x = 0; x < dragImage.width() && x < normalArgb.width(); ++x)
            if (qAlpha(normalArgb.pixel(x, y)) == 0)
                dragImage.setPixel(x, y, 0);
    m_thumbDrag = QPixmap::fromImage(dragImage);
    update();
    return true;
}

void CBitmapSlider::SetRange(int minimum, int maximum)
{
    m_min = minimum;
    m_max = maximum;
    m_pos = Clamp(m_pos);
    update();
}

void CBitmapSlider::SetPos(int position)
{
    m_pos = Clamp(position);
    update();
}

void CBitmapSlider::SetMargin(int left, int top, int right, int bottom)
{
    m_marginLeft = left;
    m_marginTop = top;
    m_marginRight = right;
    m_marginBottom = bottom;
    update();
}

void CBitmapSlider::SetMarks(int begin, int end)
{
    m_beginMark = begin;
    m_endMark = end;
    update();
}

void CBitmapSlider::SetMarkMode(MarkMode mode)
{
    m_markMode = mode;
    update();
}

int CBitmapSlider::Clamp(int position) const
{
    if (position > m_max)
        position = m_max;
    if (position < m_min)
        position = m_min;
    return position;
}

int CBitmapSlider::UsableLength() const
{
    return width() - m_marginRight - m_thumb.width() - m_marginLeft;
}

int CBitmapSlider::PixelOf(int position) const
{
    const int half = m_thumb.width() / 2;
    // An empty range has no ratio: everything sits at the start.
    if (m_max == m_min)
        return m_marginLeft + half;
    const double ratio = static_cast<double>(position - m_min) / (m_max - m_min);
    return m_marginLeft + static_cast<int>(ratio * UsableLength()) + half;
}

int CBitmapSlider::PositionOf(int pixel) const
{
    const int length = UsableLength();
    if (length <= 0 || m_max == m_min)
        return m_min;
    const double ratio = static_cast<double>(pixel - m_thumb.width() / 2 - m_marginLeft) / length;
    return static_cast<int>(ratio * (m_max - m_min) + m_min);
}

QSize CBitmapSlider::sizeHint() const
{
    return m_channelFirst.isNull() ? QSize(100, 12) : m_channelFirst.size();
}

void CBitmapSlider::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const int w = width();
    const int h = height();
    auto piece = [&](const QPixmap &image, int from, int to) {
        if (to > from && !image.isNull())
            painter.drawPixmap(QRect(from, 0, to - from, h), image, QRect(from, 0, to - from, h));
    };

    const int s = PixelOf(m_beginMark);
    const int e = PixelOf(m_endMark);
    if (m_markMode == NoMarks || (m_markMode == FromBegin && m_beginMark == 0)) {
        piece(m_channelSecond, 0, w);
    } else if (m_markMode == FromBegin) {
        piece(m_channelFirst, 0, s);
        piece(m_channelSecond, s, w);
    } else {
        const int from = m_beginMark != 0 ? s : 0;
        if (m_beginMark != 0)
            piece(m_channelFirst, 0, s);
        if (m_endMark == m_max) {
            piece(m_channelSecond, from, w);
        } else {
            piece(m_channelFirst, e, w);
            piece(m_channelSecond, from, e);
        }
    }

    const QPixmap &thumb = m_dragging ? m_thumbDrag : m_thumb;
    if (!thumb.isNull())
        painter.drawPixmap(PixelOf(m_pos) - m_thumb.width() / 2, m_marginTop, thumb);
}

void CBitmapSlider::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    m_dragging = true;
    const int x = static_cast<int>(event->position().x());
    const int d = x - PixelOf(m_pos);
    // Grabbing the thumb keeps the grip; a press elsewhere centres the thumb under the mouse.
    m_dragOffset = std::abs(d) <= m_thumb.width() / 2 ? d : 0;
    DragTo(x);
    update();
}

void CBitmapSlider::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragging)
        DragTo(static_cast<int>(event->position().x()));
}

void CBitmapSlider::DragTo(int x)
{
    const int half = m_thumb.width() / 2;
    int target = x - m_dragOffset;
    const int low = m_marginLeft + half;
    const int high = width() - m_marginRight - half;
    if (target < low)
        target = low;
    if (target > high)
        target = high;
    if (target == PixelOf(m_pos))
        return;
    m_pos = Clamp(PositionOf(target));
    update();
    emit SliderMoving(ControlId(this), m_pos);
}

void CBitmapSlider::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_dragging)
        return;
    m_dragging = false;
    update();
    emit SliderMoved(ControlId(this), m_pos);
}

void CBitmapSlider::keyPressEvent(QKeyEvent *event)
{
    int position = m_pos;
    switch (event->key()) {
    case Qt::Key_PageUp: position -= m_page; break;
    case Qt::Key_PageDown: position += m_page; break;
    case Qt::Key_End: position = m_max; break;
    case Qt::Key_Home: position = m_min; break;
    case Qt::Key_Left:
    case Qt::Key_Up: position -= 1; break;
    case Qt::Key_Right:
    case Qt::Key_Down: position += 1; break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    m_pos = Clamp(position);
    update();
    emit SliderMoved(ControlId(this), m_pos);
}

} // namespace zentrova
