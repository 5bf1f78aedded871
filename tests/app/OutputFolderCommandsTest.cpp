// The output folder box at start-up, Browse, Find Target, Help and Setting.
#include "tests/app/TestWindow.h"

#include "app/MainWindowIds.h"
#include "controls/CControlButton.h"
#include "profiles/OutputFolder.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace zentrova;
using zentrova::test::WindowTest;

namespace {

class StartUp : public WindowTest {
public:
    StartUp() { deferWindow = true; }

    void WriteSettings(const QByteArray &content)
    {
        ASSERT_TRUE(QDir().mkpath(programDir + QStringLiteral("/bin")));
        QFile file(programDir + QStringLiteral("/bin/Path_Registration.ini"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
};

int Occurrences(QComboBox *box, const QString &text)
{
    int n = 0;
    for (int i = 0; i < box->count(); ++i)
        n += box->itemText(i) == text ? 1 : 0;
    return n;
}

} // namespace

TEST_F(StartUp, FirstStartCreatesAndShowsTheDefaultFolder)
{
    OpenWindow();
    const QString folder = programDir + QStringLiteral("/OutPut");
    EXPECT_EQ(window->FolderBox()->currentText(), folder);
    EXPECT_EQ(window->OutputFolder, folder);
    EXPECT_EQ(window->FolderBox()->count(), 1);
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(window->FolderSettingsPath, programDir + QStringLiteral("/bin/Path_Registration.ini"));
}

TEST_F(StartUp, RemembersTheFolderSavedByARun)
{
    ASSERT_TRUE(SaveOutputFolder((programDir + QStringLiteral("/bin/Path_Registration.ini")).toStdString(),
                                 "/srv/videos/ipod"));
    OpenWindow();
    EXPECT_EQ(window->FolderBox()->currentText(), QStringLiteral("/srv/videos/ipod"));
    EXPECT_FALSE(QFileInfo::exists(programDir + QStringLiteral("/OutPut")));
}

TEST_F(StartUp, EmptyOrMissingKeyGivesTheDefaultFolder)
{
    WriteSettings("[Info]\nPath=\n");
    OpenWindow();
    EXPECT_EQ(window->FolderBox()->currentText(), programDir + QStringLiteral("/OutPut"));
    window.reset();
    WriteSettings("[Other]\nPath=/elsewhere\n");
    OpenWindow();
    EXPECT_EQ(window->FolderBox()->currentText(), programDir + QStringLiteral("/OutPut"));
}

using FolderCommands = WindowTest;

TEST_F(FolderCommands, BrowseAsksAgainUntilTheFolderExists)
{
    const QString real = programDir + QStringLiteral("/real");
    ASSERT_TRUE(QDir().mkpath(real));
    desktop.folderReplies = {programDir + QStringLiteral("/nowhere"), real};
    window->Browse();
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("The output folder name is invalid!")});
    EXPECT_EQ(desktop.folderStarts.size(), 2);
    EXPECT_EQ(window->FolderBox()->currentText(), real);
    EXPECT_EQ(window->OutputFolder, real);
    EXPECT_EQ(Occurrences(window->FolderBox(), real), 1);

    // The same folder again is listed again; a cancelled chooser changes nothing.
    desktop.folderReplies = {real};
    window->Browse();
    EXPECT_EQ(Occurrences(window->FolderBox(), real), 2);
    window->FolderBox()->setEditText(QStringLiteral("/typed/by/hand"));
    window->Browse();
    EXPECT_EQ(window->FolderBox()->currentText(), QStringLiteral("/typed/by/hand"));
    EXPECT_EQ(desktop.folderStarts.last(), QStringLiteral("/typed/by/hand"));
}

TEST_F(FolderCommands, InvalidChoiceKeepsThePreviousFolder)
{
    const QString before = window->FolderBox()->currentText();
    desktop.folderReplies = {programDir + QStringLiteral("/gone")};
    window->Browse();
    EXPECT_EQ(window->FolderBox()->currentText(), before);
    EXPECT_EQ(desktop.messages.size(), 1);
}

TEST_F(FolderCommands, FindTargetCreatesOpensAndListsTheFolderOnce)
{
    const QString typed = programDir + QStringLiteral("/fresh");
    window->FolderBox()->setEditText(typed);
    QTest::mouseClick(window->Button(IDC_FINDTARGET), Qt::LeftButton, Qt::NoModifier,
                      window->Button(IDC_FINDTARGET)->rect().center());
    EXPECT_TRUE(QFileInfo(typed).isDir());
    ASSERT_EQ(desktop.openedUrls.size(), 1);
    EXPECT_EQ(desktop.openedUrls.first(), QUrl::fromLocalFile(typed));
    EXPECT_EQ(Occurrences(window->FolderBox(), typed), 1);
    EXPECT_EQ(window->FolderBox()->currentText(), typed);

    window->FindTarget();
    EXPECT_EQ(desktop.openedUrls.size(), 2);
    EXPECT_EQ(Occurrences(window->FolderBox(), typed), 1);
    EXPECT_TRUE(desktop.messages.isEmpty());
}

TEST_F(FolderCommands, FindTargetCreatesOnlyTheLastLevel)
{
    const QString deep = programDir + QStringLiteral("/a/b/c");
    window->FolderBox()->setEditText(deep);
    window->FindTarget();
    EXPECT_EQ(Messages(), QStringList{QStringLiteral(
                              "The folder that you selected does not exit.Please specify a different folder!")});
    EXPECT_TRUE(desktop.openedUrls.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(programDir + QStringLiteral("/a")));
}

TEST_F(FolderCommands, HelpOpensThePageBesideTheProgramOrSaysItIsMissing)
{
    QTest::mouseClick(window->Button(IDC_HELP), Qt::LeftButton, Qt::NoModifier,
                      window->Button(IDC_HELP)->rect().center());
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("Can not find help file!")});
    EXPECT_TRUE(desktop.openedUrls.isEmpty());

    QFile page(programDir + QStringLiteral("/help.html"));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write("<html></html>");
    page.close();
    window->OpenHelp();
    ASSERT_EQ(desktop.openedUrls.size(), 1);
    EXPECT_EQ(desktop.openedUrls.first(), QUrl::fromLocalFile(page.fileName()));

    // An installed copy keeps its page with its shared files.
    ASSERT_TRUE(QDir().mkpath(programDir + QStringLiteral("/usr/bin")));
    ASSERT_TRUE(QDir().mkpath(programDir + QStringLiteral("/usr/share/zentrova")));
    ASSERT_TRUE(QFile::copy(page.fileName(), programDir + QStringLiteral("/usr/share/zentrova/help.html")));
    CTamselAVConverterDlg installed(programDir + QStringLiteral("/usr/bin"));
    installed.OpenHelp();
    ASSERT_EQ(desktop.openedUrls.size(), 2);
    EXPECT_EQ(desktop.openedUrls.last(), QUrl::fromLocalFile(programDir + QStringLiteral("/usr/share/zentrova/help.html")));
}

TEST_F(FolderCommands, WithoutADesktopHandlerTheMessageNamesThePath)
{
    QFile page(programDir + QStringLiteral("/help.html"));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.close();
    const QString folder = programDir + QStringLiteral("/out");
    window->FolderBox()->setEditText(folder);
    desktop.openUrlResult = false;

    window->FindTarget();
    window->OpenHelp();
    EXPECT_EQ(Messages(), (QStringList{QStringLiteral("The files are in ") + folder,
                                       QStringLiteral("Cannot open the help page ") + page.fileName()}));
    EXPECT_EQ(desktop.openedUrls.size(), 2);
}

TEST_F(FolderCommands, SettingFollowsTheListAndOpensTheSettingsDialog)
{
    EXPECT_FALSE(Enabled(IDC_SETTING));
    Add({Media("mpeg4_mp3.avi")});
    ASSERT_TRUE(Enabled(IDC_SETTING));
    QTest::mouseClick(window->Button(IDC_SETTING), Qt::LeftButton, Qt::NoModifier,
                      window->Button(IDC_SETTING)->rect().center());
    EXPECT_EQ(desktop.dialogs, QStringList{QStringLiteral("Setting")});
}
