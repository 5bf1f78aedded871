// A desktop that records what the program asked of it and answers from prepared replies,
// so no test ever blocks on a dialog or reaches the real shell.
#pragma once

#include "desktop/DesktopServices.h"

#include <QDialog>
#include <QList>
#include <QUrl>

#include <deque>
#include <functional>
#include <memory>

namespace zentrova::test {

class RecordingDesktop final : public DesktopServices {
public:
    struct Message {
        QString text;
        QString caption;
    };

    RecordingDesktop() { SetDesktop(this); }
    ~RecordingDesktop() override { SetDesktop(nullptr); }

    void ShowMessage(QWidget *, const QString &text, const QString &caption) override
    {
        messages.push_back({text, caption});
    }

    QStringList GetOpenFileNames(QWidget *, const QString &, const QStringList &filters) override
    {
        lastFilters = filters;
        ++openDialogs;
        if (fileReplies.empty())
            return {};
        QStringList reply = fileReplies.front();
        fileReplies.pop_front();
        return reply;
    }

    QString GetExistingDirectory(QWidget *, const QString &, const QString &start) override
    {
        folderStarts.push_back(start);
        if (folderReplies.empty())
            return {};
        QString reply = folderReplies.front();
        folderReplies.pop_front();
        return reply;
    }

    bool OpenUrl(const QUrl &url) override
    {
        openedUrls.push_back(url);
        calls.push_back(QStringLiteral("open ") + url.toLocalFile());
        return openUrlResult;
    }

    // Records the dialog instead of showing it; `onDialog`, when set, may inspect or drive it
    // and chooses the result.
    int ExecDialog(QDialog &dialog) override
    {
        dialogs.push_back(dialog.windowTitle());
        if (onDialog)
            return onDialog(dialog);
        return dialogResult;
    }

    bool PowerOff() override
    {
        ++powerOffs;
        calls.push_back(QStringLiteral("power off"));
        return true;
    }

    std::unique_ptr<SleepInhibition> InhibitSleep(const QString &why) override
    {
        ++inhibitions;
        calls.push_back(QStringLiteral("inhibit sleep"));
        inhibitReasons.push_back(why);
        return std::make_unique<Inhibition>(*this);
    }

    bool Notify(const QString &summary, const QString &body, const QString &actionLabel,
                std::function<void()> onAction) override
    {
        notifications.push_back({summary, body, actionLabel, std::move(onAction)});
        return notifyResult;
    }

    bool ShowItems(const QList<QUrl> &files) override
    {
        shownItems.push_back(files);
        calls.push_back(QStringLiteral("show items"));
        return showItemsResult;
    }

    void SetLauncherProgress(double progress, int count, bool visible) override
    {
        launcher.push_back({progress, count, visible});
    }

    // True while some inhibition handed out is still held.
    bool SleepInhibited() const { return inhibitions > releases; }

    QList<Message> messages;
    QStringList lastFilters;
    int openDialogs = 0;
    std::deque<QStringList> fileReplies;
    std::deque<QString> folderReplies;
    QStringList folderStarts;
    QList<QUrl> openedUrls;
    bool openUrlResult = true;
    QStringList dialogs;
    std::function<int(QDialog &)> onDialog;
    int dialogResult = QDialog::Rejected;
    struct Notification {
        QString summary;
        QString body;
        QString actionLabel;
        std::function<void()> onAction;
    };
    QList<Notification> notifications;
    bool notifyResult = true;
    QList<QList<QUrl>> shownItems;
    bool showItemsResult = true;
    struct LauncherState {
        double progress;
        int count;
        bool visible;
    };
    QList<LauncherState> launcher;
    int powerOffs = 0;
    int inhibitions = 0;
    int releases = 0;
    QStringList inhibitReasons;
    // The shell, power and sleep requests in the order they were made ("open PATH", "power off",
    // "inhibit sleep", "release sleep").
    QStringList calls;

private:
    class Inhibition final : public SleepInhibition {
    public:
        explicit Inhibition(RecordingDesktop &owner) : m_owner(owner) {}
        ~Inhibition() override
        {
            ++m_owner.releases;
            m_owner.calls.push_back(QStringLiteral("release sleep"));
        }

    private:
        RecordingDesktop &m_owner;
    };
};

} // namespace zentrova::test
