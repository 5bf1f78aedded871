// Runs from the main window onto a fake iPod listed in a mount table of the test's own.
// GLib before Qt: its headers use the word Qt defines as a macro (signals).
#include "ipod/GlibPtr.h"

#include "tests/app/RunFixture.h"
#include "tests/support/TestMedia.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QTest>

#include <filesystem>
#include <fstream>

using namespace zentrova;
using zentrova::test::RunTest;
using zentrova::test::ScratchDir;

namespace {

class IpodRunTest : public RunTest {
protected:
    // A fake iPod named "Window Pod", mounted as far as the window knows, chosen in the folder box.
    std::string ChooseFakeIpod(const char *sysInfo = nullptr)
    {
        const std::string pod = ScratchDir("window-pod");
        GErrorSlot e;
        EXPECT_TRUE(itdb_init_ipod(pod.c_str(), "MA002", "Window Pod", e.out())) << e.text();
        if (sysInfo)
            std::ofstream(pod + "/iPod_Control/Device/SysInfo") << sysInfo;
        const std::string table = ScratchDir("window-mounts") + "/mounts";
        std::ofstream(table) << "/dev/sdb1 " << pod << " vfat rw 0 0\n";
        window->MountTable = table;
        window->RefreshIpods();
        const int at = window->FolderBox()->findText(QStringLiteral("iPod: Window Pod"));
        EXPECT_GE(at, 0);
        window->FolderBox()->setCurrentIndex(at);
        return pod;
    }

    static guint32 TrackCount(const std::string &pod)
    {
        GErrorSlot e;
        ItdbPtr db(itdb_parse(pod.c_str(), e.out()));
        return db ? itdb_tracks_number(db.get()) : 0;
    }
};

} // namespace

TEST_F(IpodRunTest, ChosenIpodReceivesTheConvertedFiles)
{
    const std::string pod = ChooseFakeIpod();
    Add({Media("short_h264_aac_3s.mp4"), Media("audio_only.wav")});
    QStringList notes;
    DriveDialog([&notes](CAVConvertDlg &dialog) {
        if (dialog.IpodNote()->isVisible() && !notes.contains(dialog.IpodNote()->toolTip()))
            notes.append(dialog.IpodNote()->toolTip());
    });
    Convert();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !window->IsSendingToIpod(); }, 60000));

    EXPECT_TRUE(notes.contains(QStringLiteral("At the end, to the iPod \"Window Pod\""))) << notes.join('|').toStdString();
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("2 file(s) were sent to the iPod \"Window Pod\".")});
    EXPECT_EQ(TrackCount(pod), 2u);
    // The temporary folder is gone, never remembered, and no file manager opened it.
    EXPECT_TRUE(QDir(QDir::tempPath()).entryList({QStringLiteral("zentrova-ipod-*")}, QDir::Dirs).isEmpty());
    EXPECT_TRUE(desktop.openedUrls.isEmpty());
    EXPECT_EQ(window->FolderBox()->currentText(), QStringLiteral("iPod: Window Pod"));
}

TEST_F(IpodRunTest, RefusedIpodSaysWhyAndStartsNothing)
{
    const std::string pod = ChooseFakeIpod("ModelNumStr: MC027\n");
    Add({Media("short_h264_aac_3s.mp4")});
    window->StartConversion();
    ASSERT_EQ(Messages().size(), 1);
    EXPECT_TRUE(Messages()[0].contains(QStringLiteral("HashInfo"))) << Messages()[0].toStdString();
    EXPECT_TRUE(desktop.dialogs.isEmpty());
    EXPECT_FALSE(window->IsConverting());
    EXPECT_EQ(TrackCount(pod), 0u);
}
