// Window timers addressed by the program's own identifiers (1, 100, 200, ...), as the windows'
// timer handlers dispatch them.
#pragma once

#include <QBasicTimer>

#include <map>

class QObject;
class QTimerEvent;

namespace zentrova {

class WindowTimers {
public:
    // Starts timer `id` on `owner`, or restarts it with the new interval.
    void Start(int id, int milliseconds, QObject *owner) { m_timers[id].start(milliseconds, owner); }
    void Kill(int id);
    bool IsActive(int id) const;
    // The identifier of the timer that sent `event`, or 0 when it is none of ours.
    int IdOf(const QTimerEvent *event) const;

private:
    std::map<int, QBasicTimer> m_timers;
};

} // namespace zentrova
