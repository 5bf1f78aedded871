// Power-off and sleep inhibition through systemd-logind. Reached only through the desktop seam,
// so no test ever powers the machine off.
#pragma once

#include <QString>

#include <memory>

namespace zentrova {

// Asks logind to power the machine off without asking the user again. Returns whether the
// request was accepted.
bool LogindPowerOff();

// Holds a logind "sleep:idle" block inhibitor for as long as the object lives.
class SleepInhibitor {
public:
    // Takes the inhibitor; `Held()` tells whether logind granted it.
    explicit SleepInhibitor(const QString &why);
    ~SleepInhibitor();
    SleepInhibitor(const SleepInhibitor &) = delete;
    SleepInhibitor &operator=(const SleepInhibitor &) = delete;

    bool Held() const;

private:
    struct Lock;
    std::unique_ptr<Lock> m_lock;
};

} // namespace zentrova
