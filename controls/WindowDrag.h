// Moving a window by a press on its background. The move starts only once the pointer has
// travelled the drag distance with the button held, so a click alone never moves the window.
#pragma once

#include <QPoint>

#include <functional>

class QMouseEvent;
class QWidget;

namespace zentrova {

class WindowDrag {
public:
    // `window` is the top-level widget to move. `systemMove` hands the move to the window
    // manager and says whether it took it; without one (or when it refuses) the window
    // follows the pointer itself.
    explicit WindowDrag(QWidget *window, std::function<bool()> systemMove = {});

    // A left press on the background: the drag may begin.
    void Press(const QMouseEvent &event);
    // Returns whether the move belonged to the drag.
    bool Move(const QMouseEvent &event);
    void Release();

private:
    enum class State { Idle, Pressed, Following };

    QWidget *m_window;
    std::function<bool()> m_systemMove;
    State m_state = State::Idle;
    QPoint m_pressAt;     // global position of the press
    QPoint m_grabOffset;  // pointer position within the window's frame at the press
};

} // namespace zentrova
