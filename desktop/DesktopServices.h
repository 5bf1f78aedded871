// Every interaction with the desktop that a test must pass through without blocking: message
// boxes, file and folder choosers, the shell and the machine's power. Tests install a recording double.
#pragma once

#include "ProgramInfo.h"

#include <QString>
#include <QStringList>
#include <QList>
#include <QUrl>

#include <functional>
#include <memory>

class QDialog;
class QWidget;

namespace zentrova {

inline const QString kApplicationTitle = QString::fromUtf8(kProgramTitle);

// Keeps the machine from going to sleep for as long as it lives.
class SleepInhibition {
public:
    virtual ~SleepInhibition() = default;
};

class DesktopServices {
public:
    virtual ~DesktopServices() = default;

    // A modal message with an OK button only.
    virtual void ShowMessage(QWidget *parent, const QString &text, const QString &caption) = 0;

    // A file-open dialog with multiple selection; `filters` are Qt filter strings in order,
    // the first preselected. Returns the chosen paths in the order the dialog gives them,
    // or nothing when cancelled.
    virtual QStringList GetOpenFileNames(QWidget *parent, const QString &caption, const QStringList &filters) = 0;

    // A folder chooser starting at `start`; empty when cancelled.
    virtual QString GetExistingDirectory(QWidget *parent, const QString &caption, const QString &start) = 0;

    // Opens a folder, document or web address with the desktop's handler.
    virtual bool OpenUrl(const QUrl &url) = 0;

    // Runs one of the program's own dialogs modally and returns its result.
    virtual int ExecDialog(QDialog &dialog) = 0;

    // Powers the machine off without asking the user again. Returns whether the request was accepted.
    virtual bool PowerOff() = 0;

    // Blocks idle and sleep until the returned object is destroyed; `why` is shown to the user
    // by the desktop. Never null, even when the system refused.
    virtual std::unique_ptr<SleepInhibition> InhibitSleep(const QString &why) = 0;

    // A desktop notification with one action button; `onAction` runs on the user-interface
    // thread if the user picks it. Returns whether a notification server took it.
    virtual bool Notify(const QString &summary, const QString &body, const QString &actionLabel,
                        std::function<void()> onAction) = 0;

    // Opens the file manager showing `files` selected. False when no file manager offers that.
    virtual bool ShowItems(const QList<QUrl> &files) = 0;

    // Progress (0 to 1) and a count on the program's entry in the dock or task bar, where the
    // desktop draws them; `visible` false takes both away.
    virtual void SetLauncherProgress(double progress, int count, bool visible) = 0;
};

// The services in use: the real desktop unless a test installed another.
DesktopServices &Desktop();

// Installs `services` (not owned) for the rest of the process, or the real desktop again for null.
void SetDesktop(DesktopServices *services);

// The program's message box: OK button, the application's title as caption.
void ShowMessage(QWidget *parent, const QString &text);

} // namespace zentrova
