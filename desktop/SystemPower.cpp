// logind over the system bus.
#include "desktop/SystemPower.h"

#include "desktop/DesktopServices.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>

namespace zentrova {

namespace {

QDBusInterface LogindManager()
{
    return QDBusInterface(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                          QStringLiteral("org.freedesktop.login1.Manager"), QDBusConnection::systemBus());
}

} // namespace

bool LogindPowerOff()
{
    QDBusInterface manager = LogindManager();
    if (!manager.isValid())
        return false;
    const QDBusMessage reply = manager.call(QStringLiteral("PowerOff"), false);
    return reply.type() == QDBusMessage::ReplyMessage;
}

struct SleepInhibitor::Lock {
    // logind keeps the inhibitor while this descriptor is open.
    QDBusUnixFileDescriptor fd;
};

SleepInhibitor::SleepInhibitor(const QString &why)
{
    QDBusInterface manager = LogindManager();
    if (!manager.isValid())
        return;
    QDBusReply<QDBusUnixFileDescriptor> reply =
        manager.call(QStringLiteral("Inhibit"), QStringLiteral("sleep:idle"), kApplicationTitle, why,
                     QStringLiteral("block"));
    if (reply.isValid() && reply.value().isValid())
        m_lock = std::make_unique<Lock>(Lock{reply.value()});
}

SleepInhibitor::~SleepInhibitor() = default;

bool SleepInhibitor::Held() const
{
    return m_lock != nullptr;
}

} // namespace zentrova
