// The real desktop behind the seam: Qt's dialogs, QDesktopServices, logind and the session bus.
#include "desktop/DesktopServices.h"

#include "desktop/DesktopBus.h"
#include "desktop/SystemPower.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace zentrova {

namespace {

class LogindInhibition final : public SleepInhibition {
public:
    explicit LogindInhibition(const QString &why) : m_inhibitor(why) {}

private:
    SleepInhibitor m_inhibitor;
};

class RealDesktop final : public DesktopServices {
public:
    void ShowMessage(QWidget *parent, const QString &text, const QString &caption) override
    {
        QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
        box.exec();
    }

    QStringList GetOpenFileNames(QWidget *parent, const QString &caption, const QStringList &filters) override
    {
        const QString joined = filters.join(QStringLiteral(";;"));
        QString selected = filters.value(0);
        // The filters carry their labels in front of the patterns; the dialog shows the labels.
        return QFileDialog::getOpenFileNames(parent, caption, QString(), joined, &selected,
                                             QFileDialog::HideNameFilterDetails);
    }

    QString GetExistingDirectory(QWidget *parent, const QString &caption, const QString &start) override
    {
        return QFileDialog::getExistingDirectory(parent, caption, start);
    }

    bool OpenUrl(const QUrl &url) override { return QDesktopServices::openUrl(url); }

    int ExecDialog(QDialog &dialog) override { return dialog.exec(); }

    bool PowerOff() override { return LogindPowerOff(); }

    std::unique_ptr<SleepInhibition> InhibitSleep(const QString &why) override
    {
        return std::make_unique<LogindInhibition>(why);
    }

    bool Notify(const QString &summary, const QString &body, const QString &actionLabel,
                std::function<void()> onAction) override
    {
        return BusNotify(summary, body, actionLabel, std::move(onAction));
    }

    bool ShowItems(const QList<QUrl> &files) override { return BusShowItems(files); }

    void SetLauncherProgress(double progress, int count, bool visible) override
    {
        BusLauncherProgress(progress, count, visible);
    }
};

RealDesktop g_realDesktop;
DesktopServices *g_desktop = nullptr;

} // namespace

DesktopServices &Desktop()
{
    return g_desktop ? *g_desktop : g_realDesktop;
}

void SetDesktop(DesktopServices *services)
{
    g_desktop = services;
}

void ShowMessage(QWidget *parent, const QString &text)
{
    Desktop().ShowMessage(parent, text, kApplicationTitle);
}

} // namespace zentrova
