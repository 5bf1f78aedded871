// The session-bus services of the desktop the program talks to: notifications, the file
// manager's "show these files" and the launcher entry's progress.
#pragma once

#include <QList>
#include <QString>
#include <QUrl>

#include <functional>

namespace zentrova {

// The desktop-entry name the desktop knows the program by.
inline const QString kDesktopEntryId = QStringLiteral("example.zentrova.Converter");

bool BusNotify(const QString &summary, const QString &body, const QString &actionLabel,
               std::function<void()> onAction);
bool BusShowItems(const QList<QUrl> &files);
void BusLauncherProgress(double progress, int count, bool visible);

} // namespace zentrova
