// Background drags of frameless and framed windows alike.
#include "controls/WindowDrag.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace zentrova {

WindowDrag::WindowDrag(QWidget *window, std::function<bool()> systemMove)
    : m_window(window)
    , m_systemMove(std::move(systemMove))
{
    if (!m_systemMove) {
        m_systemMove = [this] {
            QWindow *handle = m_window->windowHandle();
            return handle && handle->startSystemMove();
        };
    }
}

void WindowDrag::Press(const QMouseEvent &event)
{
    m_state = State::Pressed;
    m_pressAt = event.globalPosition().toPoint();
    m_grabOffset = m_pressAt - m_window->frameGeometry().topLeft();
}

bool WindowDrag::Move(const QMouseEvent &event)
{
    if (m_state == State::Idle)
        return false;
    if (!(event.buttons() & Qt::LeftButton)) {
        m_state = State::Idle;
        return false;
    }
    const QPoint at = event.globalPosition().toPoint();
    if (m_state == State::Pressed) {
        if ((at - m_pressAt).manhattanLength() < QApplication::startDragDistance())
            return true;
        // Handed over while the button is still down, the window manager cannot miss the
        // release and go on moving the window with the next motion.
        if (m_systemMove()) {
            m_state = State::Idle;
            return true;
        }
        m_state = State::Following;
    }
    m_window->move(at - m_grabOffset);
    return true;
}

void WindowDrag::Release()
{
    m_state = State::Idle;
}

} // namespace zentrova
