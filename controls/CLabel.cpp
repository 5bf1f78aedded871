// Self-painting label.
#include "controls/CLabel.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QPalette>
#include <QTimerEvent>

namespace zentrova {

CLabel::CLabel(QWidget *parent)
    : CLabel(QString(), parent)
{
}

CLabel::CLabel(const QString &text, QWidget *parent)
    : QLabel(text, parent)
{
    m_textColour = QApplication::palette().color(QPalette::WindowText);
    m_bkColour = QApplication::palette().color(QPalette::Button);
}

CLabel &CLabel::SetTextColor(const QColor &colour)
{
    m_textColour = colour;
    Redraw();
    return *this;
}

CLabel &CLabel::SetBkColor(const QColor &colour)
{
    m_bkColour = colour;
    m_ownBk = true;
    Redraw();
    return *this;
}

CLabel &CLabel::SetTransparent(bool transparent)
{
    m_transparent = transparent;
    Redraw();
    return *this;
}

CLabel &CLabel::FlashText(bool on)
{
    StartFlash(Flash::Text, on);
    return *this;
}

CLabel &CLabel::FlashBackground(bool on)
{
    StartFlash(Flash::Background, on);
    return *this;
}

CLabel &CLabel::SetElideMode(Qt::TextElideMode mode)
{
    m_elide = mode;
    Redraw();
    return *this;
}

void CLabel::StopBkFlash()
{
    if (m_flash != Flash::Background)
        return;
    StartFlash(Flash::Background, false);
}

void CLabel::StartFlash(Flash mode, bool on)
{
    m_hiddenPhase = false;
    if (on) {
        m_flash = mode;
        m_flashTimer.start(500, this);
    } else {
        m_flash = Flash::None;
        m_flashTimer.stop();
    }
    Redraw();
}

void CLabel::Redraw()
{
    update();
    // Through a transparent label the parent shows, so it must repaint too.
    if (parentWidget())
        parentWidget()->update(geometry());
}

void CLabel::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_flashTimer.timerId()) {
        QLabel::timerEvent(event);
        return;
    }
    m_hiddenPhase = !m_hiddenPhase;
    Redraw();
}

void CLabel::changeEvent(QEvent *event)
{
    // A system colour change renews the default background, unless the owner chose one.
    if (event->type() == QEvent::PaletteChange && !m_ownBk)
        m_bkColour = QApplication::palette().color(QPalette::Button);
    QLabel::changeEvent(event);
}

void CLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect area = contentsRect();
    QColor background = m_bkColour;
    if (m_flash == Flash::Background && m_hiddenPhase)
        background = m_textColour;
    if (!m_transparent)
        painter.fillRect(rect(), background);

    QColor ink = m_textColour;
    if (m_flash == Flash::Text && m_hiddenPhase)
        ink = background;
    painter.setPen(ink);
    painter.setFont(font());

    int flags = static_cast<int>(alignment());
    if (wordWrap())
        flags |= Qt::TextWordWrap;
    if (text().contains(QLatin1Char('\t')))
        flags |= Qt::TextExpandTabs;
    QString shown = text();
    if (m_elide != Qt::ElideNone && !wordWrap())
        shown = painter.fontMetrics().elidedText(shown, m_elide, area.width());
    painter.drawText(area, flags, shown);
}

} // namespace zentrova
