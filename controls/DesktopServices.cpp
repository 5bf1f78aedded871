// The real desktop behind the seam: Qt's dialogs and QDesktopServices.
#include "DesktopServices.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace zentrova {

namespace {

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
