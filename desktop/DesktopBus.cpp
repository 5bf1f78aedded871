#include "desktop/DesktopBus.h"

#include "desktop/DesktopServices.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QObject>
#include <QVariantMap>

#include <map>

namespace zentrova {

namespace {

const QString kNotifications = QStringLiteral("org.freedesktop.Notifications");
const QString kNotificationsPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kFileManager = QStringLiteral("org.freedesktop.FileManager1");
const QString kActionKey = QStringLiteral("default");
// A missing service answers at once; a hung one must not freeze the window for long.
constexpr int kCallTimeoutMs = 2000;

// Receives the notification server's ActionInvoked signal and runs the action of the
// notification it names. Lives as long as the process.
class ActionRelay final : public QObject {
    Q_OBJECT
public:
    static ActionRelay &Instance()
    {
        static ActionRelay relay;
        return relay;
    }

    void Expect(uint id, std::function<void()> action) { m_actions[id] = std::move(action); }

public slots:
    void OnActionInvoked(uint id, const QString &)
    {
        const auto it = m_actions.find(id);
        if (it == m_actions.end())
            return;
        const std::function<void()> action = std::move(it->second);
        m_actions.erase(it);
        if (action)
            action();
    }

    void OnClosed(uint id, uint) { m_actions.erase(id); }

private:
    ActionRelay()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.connect(kNotifications, kNotificationsPath, kNotifications, QStringLiteral("ActionInvoked"), this,
                    SLOT(OnActionInvoked(uint, QString)));
        bus.connect(kNotifications, kNotificationsPath, kNotifications, QStringLiteral("NotificationClosed"), this,
                    SLOT(OnClosed(uint, uint)));
    }

    std::map<uint, std::function<void()>> m_actions;
};

bool ServiceReachable(const QString &name)
{
    QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
    if (!bus)
        return false;
    if (bus->isServiceRegistered(name))
        return true;
    const QDBusReply<QStringList> activatable = bus->call(QStringLiteral("ListActivatableNames"));
    return activatable.isValid() && activatable.value().contains(name);
}

} // namespace

bool BusNotify(const QString &summary, const QString &body, const QString &actionLabel,
               std::function<void()> onAction)
{
    if (!QDBusConnection::sessionBus().isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(kNotifications, kNotificationsPath, kNotifications,
                                                       QStringLiteral("Notify"));
    QStringList actions;
    if (onAction)
        actions << kActionKey << actionLabel;
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), kDesktopEntryId);
    call << kApplicationTitle << uint(0) << QStringLiteral("zentrova") << summary
         << body << actions << hints << int(-1);
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    if (onAction)
        ActionRelay::Instance().Expect(reply.arguments().first().toUInt(), std::move(onAction));
    return true;
}

bool BusShowItems(const QList<QUrl> &files)
{
    if (files.isEmpty() || !QDBusConnection::sessionBus().isConnected() || !ServiceReachable(kFileManager))
        return false;
    QStringList uris;
    for (const QUrl &file : files)
        uris << file.toString(QUrl::FullyEncoded);
    QDBusMessage call = QDBusMessage::createMethodCall(kFileManager, QStringLiteral("/org/freedesktop/FileManager1"),
                                                       kFileManager, QStringLiteral("ShowItems"));
    call << uris << QString();
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, kCallTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

void BusLauncherProgress(double progress, int count, bool visible)
{
    if (!QDBusConnection::sessionBus().isConnected())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/example/zentrova/Converter"),
                                                     QStringLiteral("com.canonical.Unity.LauncherEntry"),
                                                     QStringLiteral("Update"));
    QVariantMap properties;
    properties.insert(QStringLiteral("progress"), progress);
    properties.insert(QStringLiteral("progress-visible"), visible);
    properties.insert(QStringLiteral("count"), qint64(count));
    properties.insert(QStringLiteral("count-visible"), visible && count > 0);
    signal << QStringLiteral("application://%1.desktop").arg(kDesktopEntryId) << properties;
    QDBusConnection::sessionBus().send(signal);
}

} // namespace zentrova

#include "DesktopBus.moc"
