// The task list of the main window: adding, dropping, removing, clicking, the context menu,
// clipping, the profile column and the limits.
#include "tests/app/TestWindow.h"

#include "app/FileFilters.h"
#include "app/MainWindowIds.h"
#include "controls/CCheckHeadCtrl.h"
#include "controls/CCheckListCtrl.h"
#include "controls/CControlButton.h"
#include "dialogs/CClipDialog.h"
#include "dialogs/CFileInfomation.h"
#include "dialogs/MediaInfoText.h"
#include "engine/AVConvert.h"
#include "profiles/ClipTime.h"
#include "profiles/OutputSettings.h"
#include "tests/support/TestMedia.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

#include <thread>

using namespace zentrova;
using zentrova::test::WindowTest;

namespace {

const QString kH264 = QStringLiteral("h264_aac_stereo_12s.mp4");

struct MenuEntry {
    QString text;
    int id;
    bool enabled;
};

std::vector<MenuEntry> Entries(QMenu &menu)
{
    std::vector<MenuEntry> entries;
    for (QAction *action : menu.actions())
        entries.push_back({action->isSeparator() ? QStringLiteral("-") : action->text(), action->data().toInt(),
                           action->isEnabled()});
    return entries;
}

} // namespace

using TaskList = WindowTest;

TEST_F(TaskList, FilesNamedOnTheCommandLineAreAddedInOrder)
{
    const QString previous = QDir::currentPath();
    QDir::setCurrent(QFileInfo(Media("audio_only.mp3")).path());
    window->OpenFiles({QStringLiteral("audio_only.mp3"), Media("mpeg4_mp3.avi"), QStringLiteral("missing.avi")});
    WaitIdle();
    QDir::setCurrent(previous);
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(Cell(0, 0), Media("audio_only.mp3"));
    EXPECT_EQ(Cell(1, 0), Media("mpeg4_mp3.avi"));
    EXPECT_TRUE(window->TaskList()->GetCheck(0));
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("File:missing.avi is invalid!")});
}

TEST_F(TaskList, AddedFilesAreAppendedCheckedWithTheirTimes)
{
    Add({Media("mpeg4_mp3.avi"), Media("audio_only.mp3")});
    ASSERT_EQ(Rows(), 2);
    window->TaskList()->SetRowSelected(0, true);

    Add({Media("h264_aac_stereo_12s.mp4"), Media("video_only.mp4"), Media("audio_only.wav")});
    ASSERT_EQ(Rows(), 5);
    EXPECT_EQ(Cell(2, 0), Media("h264_aac_stereo_12s.mp4"));
    EXPECT_EQ(Cell(3, 0), Media("video_only.mp4"));
    EXPECT_EQ(Cell(4, 0), Media("audio_only.wav"));
    for (int row = 0; row < 5; ++row) {
        EXPECT_TRUE(window->TaskList()->GetCheck(row)) << row;
        EXPECT_EQ(Cell(row, 1), QStringLiteral("00:00:00"));
        EXPECT_EQ(Cell(row, 3), QStringLiteral(" iPod H.264(*.mp4)"));
        EXPECT_EQ(Cell(row, 4), QStringLiteral(" Ready"));
    }
    EXPECT_EQ(Cell(2, 2), QStringLiteral("00:00:12"));
    EXPECT_EQ(Cell(2, 5), QStringLiteral("12"));
    EXPECT_EQ(Cell(4, 2), QStringLiteral("00:00:03"));
    EXPECT_EQ(window->TaskList()->FirstSelected(), -1);
    EXPECT_TRUE(desktop.messages.isEmpty());

    EXPECT_TRUE(window->TaskList()->isVisible());
    for (int id : {IDC_CLEAR, IDC_CONVERT, IDC_CLIP, IDC_REMOVE, IDC_FILEINFO, IDC_SETTING, IDC_MERGE, IDC_PLAY, IDC_STOP})
        EXPECT_TRUE(Enabled(id)) << id;
    EXPECT_EQ(window->TaskList()->HeadCtrl()->FirstItemImage(), CCheckHeadCtrl::Checked);
}

TEST_F(TaskList, FileDialogOffersTheFilterTableInOrder)
{
    Add({});
    EXPECT_EQ(desktop.openDialogs, 1);
    ASSERT_EQ(desktop.lastFilters.size(), 34);
    EXPECT_EQ(desktop.lastFilters.first(), QStringLiteral("All files (*.*) (*)"));
    EXPECT_TRUE(desktop.lastFilters.at(1).startsWith(QStringLiteral("All media files (*.flv *.swf *.mov ")));
    EXPECT_EQ(desktop.lastFilters.at(3), QStringLiteral("Real Media Files(*.rm;*.rmvb) (*.rm *.rmvb)"));
    EXPECT_EQ(desktop.lastFilters.at(15), QStringLiteral("High-Definition files(*.mts;*.ts;*.m2t) (*.mts *.ts *.m2ts)"));
    EXPECT_EQ(desktop.lastFilters.last(), QStringLiteral("MPEG-4 Audio(*.m4a) (*.m4a)"));

    // A cancelled dialog still applies the rule: nothing in the list, nothing to convert.
    EXPECT_FALSE(window->TaskList()->isVisible());
    EXPECT_FALSE(Enabled(IDC_CONVERT));
}

TEST_F(TaskList, InvalidFilesAreReportedAndSkipped)
{
    Add({Media("zero_bytes.mp4"), Media("mpeg4_mp3.avi"), Media("random_bytes.avi"), Media("video_only.mp4"),
         programDir + QStringLiteral("/missing.mp4")});
    EXPECT_EQ(Messages(), (QStringList{QStringLiteral("File:zero_bytes.mp4 is invalid!"),
                                       QStringLiteral("File:random_bytes.avi is invalid!"),
                                       QStringLiteral("File:missing.mp4 is invalid!")}));
    EXPECT_EQ(desktop.messages.first().caption, QStringLiteral("Zentrova iPod Video Converter"));
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(Cell(0, 0), Media("mpeg4_mp3.avi"));
    EXPECT_EQ(Cell(1, 0), Media("video_only.mp4"));
}

TEST_F(TaskList, OnlyInvalidFilesLeaveTheListHidden)
{
    Add({Media("zero_bytes.mp4")});
    EXPECT_EQ(Rows(), 0);
    EXPECT_FALSE(window->TaskList()->isVisible());
    EXPECT_FALSE(Enabled(IDC_CONVERT));
    EXPECT_FALSE(Enabled(IDC_PLAY));
}

TEST_F(TaskList, DoubledSeparatorsAreCollapsed)
{
    QString doubled = Media("video_only.mp4");
    doubled.replace(QStringLiteral("/video_only"), QStringLiteral("//video_only"));
    Add({doubled});
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(Cell(0, 0), Media("video_only.mp4"));
}

TEST_F(TaskList, SelectionTooLongForTheDialogAddsNothing)
{
    QStringList paths;
    const QString name(120, QLatin1Char('n'));
    for (int i = 0; i < 600; ++i)
        paths.append(programDir + QStringLiteral("/%1%2.mp4").arg(name).arg(i));
    ASSERT_GT(SelectionLength(paths), kMaxSelectionChars);
    Add(paths);
    EXPECT_EQ(Rows(), 0);
    ASSERT_EQ(desktop.messages.size(), 1);
    EXPECT_TRUE(desktop.messages.first().text.startsWith(QStringLiteral("Too many files were selected")));
    EXPECT_LT(SelectionLength(paths.mid(0, 400)), kMaxSelectionChars);
}

TEST_F(TaskList, DroppedFilesGoToTheTopUncheckedInReverseOrder)
{
    Add({Media("mpeg4_mp3.avi"), Media("audio_only.mp3"), Media("video_only.mp4")});
    Drop({Media("audio_only.wav"), Media("h264_aac_stereo_12s.mp4")});
    ASSERT_EQ(Rows(), 5);
    EXPECT_EQ(Cell(0, 0), Media("h264_aac_stereo_12s.mp4"));
    EXPECT_EQ(Cell(1, 0), Media("audio_only.wav"));
    EXPECT_EQ(Cell(2, 0), Media("mpeg4_mp3.avi"));
    for (int row : {0, 1}) {
        EXPECT_FALSE(window->TaskList()->GetCheck(row));
        EXPECT_TRUE(Cell(row, 3).isEmpty());
        EXPECT_EQ(Cell(row, 4), QStringLiteral(" Ready"));
    }
    EXPECT_EQ(Cell(0, 2), QStringLiteral("00:00:12"));
    EXPECT_EQ(window->TaskList()->FirstSelected(), 0);
    EXPECT_EQ(window->TaskList()->currentRow(), 0);
    EXPECT_EQ(window->TaskList()->HeadCtrl()->FirstItemImage(), CCheckHeadCtrl::Unchecked);

    // The next profile choice fills every row's format, dropped rows included.
    window->ProfileCombo()->setCurrentIndex(11);
    for (int row = 0; row < Rows(); ++row)
        EXPECT_EQ(Cell(row, 3), QStringLiteral(" MP3 -MPEG Layer-3 Audio(*.mp3)")) << row;
}

TEST_F(TaskList, DroppedFolderAddsTheMediaFilesDirectlyInsideByName)
{
    const QString folder = programDir + QStringLiteral("/dropped");
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/sub")));
    const std::pair<const char *, QString> links[] = {
        {"audio_only.wav", QStringLiteral("/a_sound.wav")},    {"video_only.mp4", QStringLiteral("/B_clip.MP4")},
        {"random_bytes.avi", QStringLiteral("/c_broken.avi")}, {"audio_only.mp3", QStringLiteral("/notes.txt")},
        {"plain_2s.mp4", QStringLiteral("/sub/d.mp4")},
    };
    for (const auto &[source, name] : links)
        ASSERT_TRUE(QFile::link(Media(source), folder + name));

    Drop({folder, Media("audio_only.mp3")});
    // Each file of the folder is a dropped file: to the top, so the last one ends first.
    ASSERT_EQ(Rows(), 3);
    EXPECT_EQ(Cell(0, 0), Media("audio_only.mp3"));
    EXPECT_EQ(Cell(1, 0), folder + QStringLiteral("/B_clip.MP4"));
    EXPECT_EQ(Cell(2, 0), folder + QStringLiteral("/a_sound.wav"));
    // A media file that fails the probe is reported like any dropped file; the text file is not.
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("File:c_broken.avi is invalid!")});
}

TEST_F(TaskList, LongPathsKeepTheirFileNamesAndEveryFormatTextFits)
{
    const QString deep = programDir + QStringLiteral("/a rather long folder name/and another one below it/and a third");
    ASSERT_TRUE(QDir().mkpath(deep));
    const QString path = deep + QStringLiteral("/holiday clip.mp4");
    ASSERT_TRUE(QFile::link(Media("video_only.mp4"), path));
    Add({path});

    CCheckListCtrl *list = window->TaskList();
    EXPECT_EQ(Cell(0, 0), path);
    EXPECT_EQ(list->item(0, 0)->toolTip(), path);
    EXPECT_EQ(list->textElideMode(), Qt::ElideMiddle);
    EXPECT_GE(list->columnWidth(0), 200);
    const QFontMetrics metrics = list->fontMetrics();
    for (int index = 0; index < window->ProfileCombo()->count(); ++index) {
        const QString text = window->ProfileCombo()->itemText(index);
        EXPECT_GT(list->columnWidth(3), metrics.horizontalAdvance(text)) << text.toStdString();
    }
    EXPECT_GT(list->columnWidth(4), metrics.horizontalAdvance(QStringLiteral("Completed")));
}

TEST_F(TaskList, DropEventDecodesFileUrls)
{
    const QString spaced = Media("name with spaces ÄÖü 视频.mp4");
    const QString plain = Media("video_only.mp4");
    auto *mime = new QMimeData;
    // As a file manager sends them: percent-encoded UTF-8, one URL per line.
    mime->setData(QStringLiteral("text/uri-list"),
                  QUrl::fromLocalFile(plain).toEncoded() + "\r\n" + QUrl::fromLocalFile(spaced).toEncoded() +
                      "\r\nhttps://zentrova.example/not-a-file.mp4\r\n");
    ASSERT_TRUE(QUrl::fromLocalFile(spaced).toEncoded().contains("%20"));

    const QPointF at(200, 200);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &drop);
    WaitIdle();
    delete mime;

    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(Cell(0, 0), spaced);
    EXPECT_EQ(Cell(1, 0), plain);
    EXPECT_TRUE(desktop.messages.isEmpty());
    // Dropped rows leave the preview buttons alone.
    EXPECT_FALSE(Enabled(IDC_PLAY));
    EXPECT_TRUE(Enabled(IDC_CONVERT));
}

TEST_F(TaskList, ProbingWaitsWhileAnotherDialogIsUp)
{
    // A conversion run or a message keeps its dialog modal; the job record must stay untouched.
    QDialog other(window.get());
    other.setModal(true);
    other.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &other);
    window->DropFiles({Media("video_only.mp4")});
    QTest::qWait(200);
    EXPECT_EQ(Rows(), 0);
    EXPECT_TRUE(window->IsAddingFiles());
    other.hide();
    WaitIdle();
    EXPECT_EQ(Rows(), 1);
}

TEST_F(TaskList, RemovingFollowsTheSelectionAndTheRules)
{
    Add({Media("mpeg4_mp3.avi"), Media("audio_only.mp3"), Media("video_only.mp4")});
    CCheckListCtrl *list = window->TaskList();
    list->SetRowSelected(2, true);
    window->RemoveSelected();
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(list->SelectedRows(), QList<int>{1});
    EXPECT_TRUE(Enabled(IDC_MERGE));

    // Only the first of several selected rows goes.
    list->SetRowSelected(0, true);
    window->RemoveSelected();
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(Cell(0, 0), Media("audio_only.mp3"));
    EXPECT_FALSE(Enabled(IDC_MERGE));
    EXPECT_TRUE(Enabled(IDC_CONVERT));

    window->RemoveSelected();
    EXPECT_EQ(Rows(), 0);
    EXPECT_FALSE(list->isVisible());
    for (int id : {IDC_CLIP, IDC_CONVERT, IDC_SETTING, IDC_CLEAR, IDC_REMOVE, IDC_MERGE, IDC_FILEINFO})
        EXPECT_FALSE(Enabled(id)) << id;

    window->RemoveSelected(); // nothing selected, nothing happens
    EXPECT_EQ(previewStops, 0);
}

TEST_F(TaskList, RemoveButtonStopsThePreviewTheDeleteKeyDoesNot)
{
    Add({Media("mpeg4_mp3.avi"), Media("audio_only.mp3"), Media("video_only.mp4")});
    CCheckListCtrl *list = window->TaskList();
    list->SetRowSelected(0, true);
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(Rows(), 2);
    EXPECT_EQ(previewStops, 0);

    QTest::mouseClick(window->Button(IDC_REMOVE), Qt::LeftButton, Qt::NoModifier,
                      window->Button(IDC_REMOVE)->rect().center());
    EXPECT_EQ(Rows(), 1);
    EXPECT_EQ(previewStops, 1);
}

TEST_F(TaskList, DeleteInTheFolderBoxRemovesATaskNotACharacter)
{
    Add({Media("mpeg4_mp3.avi"), Media("audio_only.mp3")});
    window->TaskList()->SetRowSelected(1, true);
    QLineEdit *edit = window->FolderBox()->lineEdit();
    const QString before = edit->text();
    edit->setFocus();
    edit->setCursorPosition(3);
    QTest::keyClick(edit, Qt::Key_Delete);
    EXPECT_EQ(edit->text(), before);
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(Cell(0, 0), Media("mpeg4_mp3.avi"));
    // Other keys still type.
    QTest::keyClick(edit, Qt::Key_X);
    EXPECT_EQ(edit->text().size(), before.size() + 1);
}

TEST_F(TaskList, ClearEmptiesHidesAndStopsThePreview)
{
    Add({Media("mpeg4_mp3.avi"), Media("audio_only.mp3")});
    QTest::mouseClick(window->Button(IDC_CLEAR), Qt::LeftButton, Qt::NoModifier,
                      window->Button(IDC_CLEAR)->rect().center());
    EXPECT_EQ(Rows(), 0);
    EXPECT_FALSE(window->TaskList()->isVisible());
    for (int id : {IDC_CLEAR, IDC_CLIP, IDC_REMOVE, IDC_CONVERT, IDC_SETTING, IDC_MERGE, IDC_FILEINFO})
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_EQ(previewStops, 1);
}

TEST_F(TaskList, RowClicksSetTheButtons)
{
    Add({Media("mpeg4_mp3.avi"), Media("audio_only.mp3"), Media("video_only.mp4")});
    CCheckListCtrl *list = window->TaskList();
    QWidget *viewport = list->viewport();
    auto clickRow = [&](int row) {
        const QRect r = list->visualRect(list->model()->index(row, 1));
        QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, r.center());
        // The buttons follow the row's probe, which runs off the window's thread.
        EXPECT_TRUE(QTest::qWaitFor([this] { return !window->IsLoadingRowInfo(); }));
    };

    // Empty space: no selection, so Merge goes off even though there are three rows.
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(50, viewport->height() - 4));
    for (int id : {IDC_CLIP, IDC_REMOVE, IDC_MERGE, IDC_FILEINFO})
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_EQ(previewStops, 1);

    // The last row does not bring Merge back; any other row does.
    clickRow(2);
    EXPECT_TRUE(Enabled(IDC_CLIP));
    EXPECT_TRUE(Enabled(IDC_FILEINFO));
    EXPECT_FALSE(Enabled(IDC_MERGE));
    EXPECT_EQ(MediaInfoText().path, Media("video_only.mp4").toStdString());
    clickRow(0);
    EXPECT_TRUE(Enabled(IDC_MERGE));
    EXPECT_NE(MediaInfoText().audioCodecId, "0");
    EXPECT_EQ(MediaInfoText().mediaLength, "00:00:05");
}

TEST_F(TaskList, OnlyTheLatestRowClickIsShown)
{
    Add({Media("mpeg4_mp3.avi"), Media("audio_only.mp3"), Media("video_only.mp4")});
    for (int row : {0, 2, 1}) {
        window->TaskList()->clearSelection();
        window->TaskList()->SetRowSelected(row, true);
        window->OnListClick();
    }
    ASSERT_TRUE(QTest::qWaitFor([this] { return !window->IsLoadingRowInfo(); }));
    EXPECT_EQ(MediaInfoText().path, Media("audio_only.mp3").toStdString());
    EXPECT_TRUE(Enabled(IDC_MERGE));

    // A row removed before its probe returned leaves the buttons and the information alone.
    window->TaskList()->clearSelection();
    window->TaskList()->SetRowSelected(0, true);
    window->OnListClick();
    window->TaskList()->DeleteItem(0);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !window->IsLoadingRowInfo(); }));
    EXPECT_EQ(MediaInfoText().path, Media("audio_only.mp3").toStdString());
    EXPECT_TRUE(desktop.messages.isEmpty());
}

TEST_F(TaskList, ClickOnAVanishedFileSaysSoAndChangesNothing)
{
    const QString copy = programDir + QStringLiteral("/copy.avi");
    ASSERT_TRUE(QFile::copy(Media("mpeg4_mp3.avi"), copy));
    Add({copy, Media("audio_only.mp3")});
    QTest::mouseClick(window->TaskList()->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 200));
    ASSERT_FALSE(Enabled(IDC_CLIP));
    ASSERT_TRUE(QFile::remove(copy));

    const QRect r = window->TaskList()->visualRect(window->TaskList()->model()->index(0, 1));
    QTest::mouseClick(window->TaskList()->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
    EXPECT_TRUE(QTest::qWaitFor([this] { return !window->IsLoadingRowInfo(); }));
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("File:") + copy + QStringLiteral(" invalid!")});
    EXPECT_FALSE(Enabled(IDC_CLIP));
}

TEST_F(TaskList, ContextMenuWithAndWithoutSelection)
{
    Add({Media("mpeg4_mp3.avi"), Media("audio_only.mp3")});
    window->TaskList()->clearSelection();
    {
        std::unique_ptr<QMenu> menu = window->PrepareTaskMenu();
        const auto entries = Entries(*menu);
        const std::vector<std::pair<QString, int>> expected = {
            {"Add Files..", 10001}, {"-", 0}, {"Remove", 10002}, {"Clear All", 10003}, {"-", 0},
            {"Clip...", 100010}, {"-", 0}, {"File Information...", 10009}};
        ASSERT_EQ(entries.size(), expected.size());
        for (std::size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(entries[i].text, expected[i].first) << i;
            EXPECT_EQ(entries[i].id, expected[i].second) << i;
        }
        EXPECT_TRUE(entries[0].enabled);
        EXPECT_FALSE(entries[2].enabled);
        EXPECT_TRUE(entries[3].enabled);
        EXPECT_FALSE(entries[5].enabled);
        EXPECT_FALSE(entries[7].enabled);
        for (int id : {IDC_FILEINFO, IDC_CLIP, IDC_REMOVE})
            EXPECT_FALSE(Enabled(id)) << id;
    }

    window->TaskList()->SetRowSelected(1, true);
    {
        std::unique_ptr<QMenu> menu = window->PrepareTaskMenu();
        for (const MenuEntry &e : Entries(*menu))
            EXPECT_TRUE(e.enabled) << e.text.toStdString();
        for (int id : {IDC_CONVERT, IDC_FILEINFO, IDC_CLIP, IDC_REMOVE})
            EXPECT_TRUE(Enabled(id)) << id;
    }

    // File Information from the menu shows what the probe found.
    desktop.onDialog = [](QDialog &dialog) {
        auto *info = qobject_cast<CFileInfomation *>(&dialog);
        EXPECT_NE(info, nullptr);
        if (info) {
            EXPECT_EQ(info->FieldText(1075), QStringLiteral("audio_only.mp3"));
            EXPECT_EQ(info->FieldText(1123), QStringLiteral("44100 Hz"));
            EXPECT_TRUE(info->FieldText(1005).isEmpty());
        }
        return int(QDialog::Accepted);
    };
    window->RunTaskMenuCommand(ID_MENU_FILEINFO);
    WaitIdle();
    EXPECT_EQ(desktop.dialogs, QStringList{QStringLiteral("File Information")});

    window->RunTaskMenuCommand(ID_MENU_REMOVE);
    EXPECT_EQ(Rows(), 1);
    EXPECT_EQ(previewStops, 0);
    window->RunTaskMenuCommand(ID_MENU_ADDFILES);
    WaitIdle();
    EXPECT_EQ(desktop.openDialogs, 2);
    window->RunTaskMenuCommand(ID_MENU_CLEARALL);
    EXPECT_EQ(Rows(), 0);
}

// Adding enables them with no row selected; pressed then they ask for a row, as Clip does.
TEST_F(TaskList, InformationAndRemoveButtonsWithoutSelectionAskForARow)
{
    Add({Media("mpeg4_mp3.avi")});
    window->TaskList()->clearSelection();
    window->Button(IDC_FILEINFO)->click();
    window->Button(IDC_REMOVE)->click();
    EXPECT_TRUE(desktop.dialogs.isEmpty());
    EXPECT_EQ(Messages(), (QStringList{QStringLiteral("Please select the video file to show its information!"),
                                       QStringLiteral("Please select the video files to remove!")}));
    EXPECT_EQ(Rows(), 1);
}

TEST_F(TaskList, ClipOpensOneDialogPerSelectedRow)
{
    Add({Media("mpeg4_mp3.avi"), Media("audio_only.mp3"), Media("video_only.mp4"), Media("audio_only.wav")});
    QList<int> clipped;
    desktop.onDialog = [&](QDialog &) {
        clipped.append(window->ClipDialog()->ClipTaskIndex);
        return int(QDialog::Rejected);
    };

    window->TaskList()->clearSelection();
    window->ClipSelected();
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("Please select the video files to cut!")});
    EXPECT_TRUE(clipped.isEmpty());

    window->TaskList()->SetRowSelected(3, true);
    window->TaskList()->SetRowSelected(1, true);
    window->RunTaskMenuCommand(ID_MENU_CLIP);
    EXPECT_EQ(clipped, (QList<int>{1, 3}));
    EXPECT_EQ(previewStops, 2);
}

TEST_F(TaskList, ProfileChoiceLoadsDefaultsAndRewritesTheFormatColumn)
{
    window->ProfileCombo()->setCurrentIndex(6);
    EXPECT_EQ(ProcessOutputSettings().Width, 480);
    Add({Media("mpeg4_mp3.avi"), Media("audio_only.mp3")});
    EXPECT_EQ(Cell(0, 3), QStringLiteral(" iPod touch H.264(*.mp4)"));

    window->ProfileCombo()->setCurrentIndex(11);
    const OutputSettings &s = ProcessOutputSettings();
    EXPECT_TRUE(s.AudioOnly);
    EXPECT_EQ(s.AudioEncoder, "MP3");
    EXPECT_EQ(s.SampleRate, 44100);
    EXPECT_EQ(s.Width, 480); // kept from the video profile
    EXPECT_EQ(Cell(0, 3), QStringLiteral(" MP3 -MPEG Layer-3 Audio(*.mp3)"));
    EXPECT_EQ(Cell(1, 3), QStringLiteral(" MP3 -MPEG Layer-3 Audio(*.mp3)"));

    window->ProfileCombo()->setCurrentIndex(2);
    EXPECT_FALSE(ProcessOutputSettings().AudioOnly);
    EXPECT_EQ(ProcessOutputSettings().VideoBitRate, 1000000);
    EXPECT_EQ(Cell(1, 3), QStringLiteral(" iPod  MPEG4 Video(*.mp4)"));
}

TEST_F(TaskList, RefusesFilesOnceTheListHoldsTheMostARunTakes)
{
    CCheckListCtrl *list = window->TaskList();
    list->setUpdatesEnabled(false);
    for (int i = 0; i < AVConvert::kMaxTasks - 1; ++i)
        list->InsertItem(list->GetItemCount(), QStringLiteral("/placeholder/%1.mp4").arg(i));
    list->setUpdatesEnabled(true);

    Add({Media("mpeg4_mp3.avi"), Media("audio_only.mp3"), Media("video_only.mp4")});
    EXPECT_EQ(Rows(), AVConvert::kMaxTasks);
    EXPECT_EQ(Cell(AVConvert::kMaxTasks - 1, 0), Media("mpeg4_mp3.avi"));
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("The task list is full: it holds at most 9999 files. "
                                                     "2 file(s) were not added.")});

    Drop({Media("audio_only.wav")});
    EXPECT_EQ(Rows(), AVConvert::kMaxTasks);
    EXPECT_EQ(desktop.messages.size(), 2);
    EXPECT_TRUE(window->TaskList()->isVisible());
}

TEST_F(TaskList, FiveHundredFilesArriveInOrderWhileTheWindowKeepsRunning)
{
    const QString folder = programDir + QStringLiteral("/many");
    ASSERT_TRUE(QDir().mkpath(folder));
    QStringList paths;
    for (int i = 0; i < 500; ++i) {
        const QString path = folder + QStringLiteral("/clip%1.mp4").arg(i, 3, 10, QLatin1Char('0'));
        ASSERT_TRUE(QFile::link(Media("fps_30000.mp4"), path));
        paths.append(path);
    }
    // Listed in an order that is not the names' order: the rows must keep the dialog's order.
    std::reverse(paths.begin(), paths.begin() + 250);

    int ticks = 0;
    QList<int> rowsSeen;
    bool progressShown = false;
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        ++ticks;
        rowsSeen.append(Rows());
        progressShown = progressShown || window->AddProgress()->isVisible();
    });
    heartbeat.start(20);

    desktop.fileReplies.push_back(paths);
    window->AddFiles();
    EXPECT_TRUE(window->IsAddingFiles());
    WaitIdle();
    heartbeat.stop();

    ASSERT_EQ(Rows(), 500);
    for (int i = 0; i < 500; ++i)
        ASSERT_EQ(Cell(i, 0), paths.at(i)) << i;
    // The event loop ran all along: timers fired and saw the list grow step by step.
    EXPECT_GT(ticks, 5);
    EXPECT_TRUE(std::is_sorted(rowsSeen.begin(), rowsSeen.end()));
    EXPECT_GT(std::count_if(rowsSeen.begin(), rowsSeen.end(), [](int n) { return n > 0 && n < 500; }), 3);
    EXPECT_TRUE(progressShown);
    EXPECT_FALSE(window->AddProgress()->isVisible());
}

// A file that answers slowly (here a pipe nobody writes yet) is probed off the window's thread:
// the window goes on with its timers, and the files after it wait their turn.
TEST_F(TaskList, ASlowFileHoldsUpNeitherTheWindowNorTheOrder)
{
    const QString slow = programDir + QStringLiteral("/slow.wav");
    QFile::remove(slow);
    ASSERT_EQ(mkfifo(QFile::encodeName(slow).constData(), 0600), 0);
    desktop.fileReplies.push_back({slow, Media("short_h264_aac_3s.mp4"), Media("mpeg4_mp3.avi")});
    window->AddFiles();

    int ticks = 0;
    QTimer other;
    QObject::connect(&other, &QTimer::timeout, [&] { ++ticks; });
    other.start(5);
    QTest::qWait(200);
    EXPECT_GT(ticks, 0);
    EXPECT_TRUE(window->IsAddingFiles());
    EXPECT_EQ(Rows(), 0);

    // The pipe delivers a whole file, though one that cannot tell its length from a pipe: it
    // is refused, and the files after it come in the order they were given.
    std::thread writer([&] {
        QFile source(Media("audio_only.wav"));
        QFile pipe(slow);
        if (source.open(QIODevice::ReadOnly) && pipe.open(QIODevice::WriteOnly))
            pipe.write(source.readAll());
    });
    WaitIdle();
    writer.join();
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("File:slow.wav is invalid!")});
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(Cell(0, 0), Media("short_h264_aac_3s.mp4"));
    EXPECT_EQ(Cell(1, 0), Media("mpeg4_mp3.avi"));
    EXPECT_EQ(Cell(0, 2), QStringLiteral("00:00:03"));
}
