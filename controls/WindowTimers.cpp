#include "controls/WindowTimers.h"

#include <QTimerEvent>

namespace zentrova {

void WindowTimers::Kill(int id)
{
    if (auto it = m_timers.find(id); it != m_timers.end())
        it->second.stop();
}

bool WindowTimers::IsActive(int id) const
{
    const auto it = m_timers.find(id);
    return it != m_timers.end() && it->second.isActive();
}

int WindowTimers::IdOf(const QTimerEvent *event) const
{
    for (const auto &[id, timer] : m_timers)
        if (timer.isActive() && timer.timerId() == event->timerId())
            return id;
    return 0;
}

} // namespace zentrova
