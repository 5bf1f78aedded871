// The output folder box and the auxiliary commands: Browse, Find Target, Help, Setting, About.
#include "app/CTamselAVConverterDlg.h"


#include "app/EnginePath.h"
#include "desktop/DesktopServices.h"
#include "dialogs/CAbout.h"
#include "dialogs/CSettings.h"
#include "profiles/OutputFolder.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace zentrova {

void CTamselAVConverterDlg::ChooseOutputFolder()
{
    const std::string programFolder = ToEngine(m_programFolder);
    FolderSettingsPath = FromEngine(FolderSettingsFile(programFolder));
    OutputFolder = FromEngine(ChooseStartupFolder(programFolder));
    m_folder->clear();
    AddFolderItem(OutputFolder);
    m_folder->setCurrentIndex(0);
    m_folder->setEditText(OutputFolder);
    RefreshIpods();
}

void CTamselAVConverterDlg::AddFolderItem(const QString &folder)
{
    // The list is kept sorted; adding to it never changes what the user typed in the box.
    const QString typed = m_folder->currentText();
    int at = 0;
    while (at < m_folder->count() && m_folder->itemText(at).compare(folder, Qt::CaseInsensitive) <= 0)
        ++at;
    m_folder->insertItem(at, folder);
    m_folder->setEditText(typed.isEmpty() ? folder : typed);
}

void CTamselAVConverterDlg::Browse()
{
    for (;;) {
        const QString chosen = Desktop().GetExistingDirectory(nullptr, QStringLiteral("Please select output folder:"),
                                                              m_folder->currentText());
        if (chosen.isEmpty())
            return;
        if (!QFileInfo::exists(chosen)) {
            ShowMessage(this, QStringLiteral("The output folder name is invalid!"));
            continue;
        }
        OutputFolder = chosen;
        AddFolderItem(chosen);
        m_folder->setEditText(chosen);
        return;
    }
}

void CTamselAVConverterDlg::FindTarget()
{
    // An iPod entry shows the iPod's own folder.
    if (const auto ipod = m_ipods.find(m_folder->currentText()); ipod != m_ipods.end()) {
        OpenOutputFolder(FromEngine(ipod->second.mountPoint));
        return;
    }
    const QString folder = m_folder->currentText();
    OutputFolder = folder;
    if (!QFileInfo(folder).isDir() && !EnsureFolderOneLevel(ToEngine(folder))) {
        ShowMessage(this, QStringLiteral("The folder that you selected does not exit.Please specify a different folder!"));
        return;
    }
    OpenOutputFolder(folder);
    if (m_folder->findText(folder, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0)
        AddFolderItem(folder);
}

void CTamselAVConverterDlg::OpenHelp()
{
    // Beside the program in a build; an installed copy keeps it with its other shared files.
    QString help = m_programFolder + QStringLiteral("/help.html");
    if (!QFileInfo(help).isFile())
        help = QDir::cleanPath(m_programFolder + QStringLiteral("/../share/zentrova/help.html"));
    if (!QFileInfo(help).isFile()) {
        ShowMessage(this, QStringLiteral("Can not find help file!"));
        return;
    }
    // Without a browser the page is still there to be opened by hand.
    if (!Desktop().OpenUrl(QUrl::fromLocalFile(help)))
        ShowMessage(this, QStringLiteral("Cannot open the help page ") + help);
}

void CTamselAVConverterDlg::OpenOutputFolder(const QString &folder)
{
    // Without a file manager the user still learns where the files went.
    if (!Desktop().OpenUrl(QUrl::fromLocalFile(folder)))
        ShowMessage(this, QStringLiteral("The files are in ") + folder);
}

void CTamselAVConverterDlg::OnSetting()
{
    CSettings settings(this);
    Desktop().ExecDialog(settings);
}

void CTamselAVConverterDlg::ShowAbout()
{
    CAbout about(this);
    Desktop().ExecDialog(about);
}

} // namespace zentrova
