// Bitmap slider: position <-> pixel mapping, painting and input.
#include "controls/CBitmapSlider.h"

#include "controls/ControlLayout.h"
#include "controls/SkinBitmap.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cstdlib>

namespace zentrova {

CBitmapSlider::CBitmapSlider(QWidget *parent)
    : QAbstractSlider(parent)
{
    setOrientation(Qt::Horizontal);
    setFocusPolicy(Qt::StrongFocus);
    setRange(0, 100);
    setPageStep(20);
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

int CBitmapSlider::UsableLength() const
{
    return width() - m_marginRight - m_thumb.width() - m_marginLeft;
}

int CBitmapSlider::PixelOf(int position) const
{
    const int half = m_thumb.width() / 2;
    // An empty range has no ratio: everything sits at the start.
    if (maximum() == minimum())
        return m_marginLeft + half;
    const double ratio = static_cast<double>(position - minimum()) / (maximum() - minimum());
    return m_marginLeft + static_cast<int>(ratio * UsableLength()) + half;
}

int CBitmapSlider::PositionOf(int pixel) const
{
    const int length = UsableLength();
    if (length <= 0 || maximum() == minimum())
        return minimum();
    const double ratio = static_cast<double>(pixel - m_thumb.width() / 2 - m_marginLeft) / length;
    return static_cast<int>(ratio * (maximum() - minimum()) + minimum());
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
        if (m_endMark == maximum()) {
            piece(m_channelSecond, from, w);
        } else {
            piece(m_channelFirst, e, w);
            piece(m_channelSecond, from, e);
        }
    }

    const QPixmap &thumb = isSliderDown() ? m_thumbDrag : m_thumb;
    if (!thumb.isNull())
        painter.drawPixmap(PixelOf(value()) - m_thumb.width() / 2, m_marginTop, thumb);
}

void CBitmapSlider::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    setSliderDown(true);
    const int x = static_cast<int>(event->position().x());
    const int d = x - PixelOf(value());
    // Grabbing the thumb keeps the grip; a press elsewhere centres the thumb under the mouse.
    m_dragOffset = std::abs(d) <= m_thumb.width() / 2 ? d : 0;
    DragTo(x);
    update();
}

void CBitmapSlider::mouseMoveEvent(QMouseEvent *event)
{
    if (isSliderDown())
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
    if (target == PixelOf(value()))
        return;
    setValue(PositionOf(target));
    emit SliderMoving(ControlId(this), value());
}

void CBitmapSlider::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !isSliderDown())
        return;
    setSliderDown(false);
    update();
    emit SliderMoved(ControlId(this), value());
}

void CBitmapSlider::keyPressEvent(QKeyEvent *event)
{
    // Up and PageUp go towards the start, as Left and Home do; Qt's sliders take them the other
    // way. Qt steps and clamps; every key it handled is reported, even when the value stays.
    SliderAction action = SliderNoAction;
    switch (event->key()) {
    case Qt::Key_Up: action = SliderSingleStepSub; break;
    case Qt::Key_Down: action = SliderSingleStepAdd; break;
    case Qt::Key_PageUp: action = SliderPageStepSub; break;
    case Qt::Key_PageDown: action = SliderPageStepAdd; break;
    default: break;
    }
    event->accept();
    if (action != SliderNoAction)
        triggerAction(action);
    else
        QAbstractSlider::keyPressEvent(event);
    if (event->isAccepted())
        emit SliderMoved(ControlId(this), value());
}

void CBitmapSlider::wheelEvent(QWheelEvent *event)
{
    event->ignore();
}

} // namespace zentrova
