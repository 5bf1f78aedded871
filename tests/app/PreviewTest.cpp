// The preview panel and the clip dialog with the real player on generated media: the play,
// pause and stop states, seeking, volume, the end of a file, and handing the player over.
#include "tests/app/TestWindow.h"

#include "app/MainWindowIds.h"
#include "controls/CBitmapSlider.h"
#include "controls/CCheckListCtrl.h"
#include "controls/CControlButton.h"
#include "dialogs/CClipDialog.h"
#include "dialogs/player/PlayerModule.h"
#include "dialogs/PlayerPicture.h"

#include <QFile>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>

using namespace zentrova;
using zentrova::test::WindowTest;

namespace {

double PlayerSeconds()
{
    float fraction = 0;
    double duration = 0;
    PlayerModule_GetPos(&fraction);
    PlayerModule_GetDuration(&duration);
    return fraction * duration;
}

double PlayerDuration()
{
    double duration = 0;
    PlayerModule_GetDuration(&duration);
    return duration;
}

} // namespace

class Preview : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        Add({Media("h264_aac_stereo_12s.mp4"), Media("short_h264_aac_3s.mp4"), Media("audio_only.mp3")});
    }

    void Select(int row)
    {
        window->TaskList()->clearSelection();
        window->TaskList()->SetRowSelected(row, true);
    }
    void PressPlay() { window->Button(IDC_PLAY)->click(); }
    bool Playing() const { return window->PlayButtonMode == QLatin1String("PAUSE"); }
    int PlayLook() const { return window->Button(IDC_PLAY)->NormalBitmap(); }
    // Waits until the player has gone past `seconds` of the file.
    bool PlaysPast(double seconds) const
    {
        return QTest::qWaitFor([seconds] { return PlayerSeconds() > seconds; }, 5000);
    }
};

TEST_F(Preview, PlayWithoutASelectedRowPlaysTheTopRow)
{
    window->TaskList()->clearSelection();
    PressPlay();
    EXPECT_TRUE(Playing());
    EXPECT_EQ(window->TaskList()->SelectedRows(), QList<int>{0});
    EXPECT_NEAR(PlayerDuration(), 12.0, 0.2);
}

TEST_F(Preview, PlayPausesAndResumesWhereItPaused)
{
    Select(0);
    PressPlay();
    ASSERT_TRUE(Playing());
    EXPECT_EQ(PlayLook(), 310);
    EXPECT_EQ(window->Button(IDC_PLAY)->toolTip(), QStringLiteral("Pause"));
    EXPECT_TRUE(window->PositionSlider()->isEnabled());
    EXPECT_TRUE(window->IsTimerActive(kPlayerPositionTimer) && window->IsTimerActive(kPlayerFrameTimer));
    ASSERT_TRUE(PlaysPast(0.8));
    // The slider follows the player and the picture area shows the source.
    EXPECT_TRUE(QTest::qWaitFor([this] { return window->PositionSlider()->GetPos() > 50; }, 2000));
    EXPECT_TRUE(QTest::qWaitFor([this] { return window->PreviewPicture()->ShowsPicture(); }, 2000));

    PressPlay();
    EXPECT_FALSE(Playing());
    EXPECT_EQ(PlayLook(), 302);
    EXPECT_EQ(window->Button(IDC_PLAY)->toolTip(), QStringLiteral("Play"));
    const double held = PlayerSeconds();
    QTest::qWait(400);
    EXPECT_NEAR(PlayerSeconds(), held, 0.05);
    // Paused, the timers go on and the picture stays.
    EXPECT_TRUE(window->IsTimerActive(kPlayerFrameTimer));

    PressPlay();
    EXPECT_TRUE(Playing());
    EXPECT_GE(PlayerSeconds(), held - 0.05);
    EXPECT_TRUE(PlaysPast(held + 0.3));
}

TEST_F(Preview, StopAndTheEndOfTheFileGoBackToTheStart)
{
    Select(1);
    PressPlay();
    ASSERT_TRUE(PlaysPast(0.3));
    window->Button(IDC_STOP)->click();
    EXPECT_FALSE(Playing());
    EXPECT_EQ(window->PositionSlider()->GetPos(), 0);
    EXPECT_FALSE(window->PositionSlider()->isEnabled());
    EXPECT_FALSE(window->PreviewPicture()->ShowsPicture());
    EXPECT_FALSE(window->IsTimerActive(kPlayerPositionTimer) || window->IsTimerActive(kPlayerFrameTimer));
    EXPECT_TRUE(window->Button(IDC_PLAY)->isEnabled());

    // The 3 s file plays to its end with no row selected: the panel stops by itself and, with
    // nothing left to play, both buttons go grey.
    PressPlay();
    ASSERT_TRUE(Playing());
    window->TaskList()->clearSelection();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !Playing(); }, 8000));
    EXPECT_EQ(window->PositionSlider()->GetPos(), 0);
    EXPECT_EQ(PlayLook(), 301);
    EXPECT_FALSE(window->Button(IDC_PLAY)->isEnabled());
    EXPECT_FALSE(window->Button(IDC_STOP)->isEnabled());
}

TEST_F(Preview, DraggingThePositionWhilePausedSeeksAndPlaysOn)
{
    Select(0);
    PressPlay();
    PressPlay();
    ASSERT_FALSE(Playing());
    emit window->PositionSlider()->SliderMoving(IDC_POSITION, 500);
    EXPECT_NEAR(PlayerSeconds(), 6.0, 0.15);
    EXPECT_TRUE(PlaysPast(6.3));
    // The button keeps offering Play, as it did before the drag.
    EXPECT_FALSE(Playing());
    EXPECT_EQ(PlayLook(), 302);
}

TEST_F(Preview, VolumeFollowsTheSliderUpToFullScale)
{
    std::int32_t volume = -1;
    PlayerModule_GetVolume(&volume);
    EXPECT_EQ(volume, 30000) << "the volume the slider shows from the start";
    for (const auto &[position, expected] : {std::pair{0, 0}, {20000, 20000}, {65535, 65535}, {80000, 65535}, {100000, 65535}}) {
        emit window->VolumeSlider()->SliderMoving(IDC_VOLUME, position);
        PlayerModule_GetVolume(&volume);
        EXPECT_EQ(volume, expected) << position;
        EXPECT_EQ(window->PreviewVolume, expected);
    }
}

TEST_F(Preview, PlaysTheLastSelectedRowAndAClickOnAnotherRowStopsIt)
{
    window->TaskList()->clearSelection();
    for (int row : {0, 1, 2})
        window->TaskList()->SetRowSelected(row, true);
    PressPlay();
    ASSERT_TRUE(Playing());
    EXPECT_FALSE(window->PreviewPicture()->HasVideo()) << "the sound-only file is the last selected";
    EXPECT_TRUE(PlaysPast(0.3));

    Select(1);
    window->OnListClick();
    EXPECT_FALSE(Playing());
    PressPlay();
    EXPECT_NEAR(PlayerDuration(), 3.0, 0.1);
}

TEST_F(Preview, AFileThatCannotBeOpenedShowsNothing)
{
    const QString gone = programDir + QStringLiteral("/gone.mp4");
    ASSERT_TRUE(QFile::copy(Media("short_h264_aac_3s.mp4"), gone));
    Add({gone});
    QFile::remove(gone);
    Select(Rows() - 1);
    PressPlay();
    EXPECT_FALSE(Playing());
    EXPECT_FALSE(window->PreviewPicture()->ShowsPicture());
    EXPECT_TRUE(desktop.messages.isEmpty());
}

TEST_F(Preview, ConvertStopsThePreviewAndCloseReleasesTheFile)
{
    Select(0);
    PressPlay();
    ASSERT_TRUE(Playing());
    desktop.dialogResult = QDialog::Rejected;
    window->TaskList()->SetCheck(0, false);
    window->TaskList()->SetCheck(1, false);
    window->TaskList()->SetCheck(2, false);
    window->StartConversion(); // nothing ticked: refused, but the preview stops first
    EXPECT_FALSE(Playing());
    PressPlay();
    ASSERT_TRUE(Playing());
    window->Button(IDC_CLOSE)->click();
    std::int32_t video = 1, audio = 1;
    PlayerModule_GetMideaType(&video, &audio);
    EXPECT_EQ(video + audio, 0);
}

// ---------------------------------------------------------------------------------------------
// The clip dialog

class Clip : public Preview {
protected:
    // Opens the clip dialog for `rows` through the Clip command; `drive` runs while each one is
    // shown and returns how it ends.
    void ClipRows(const QList<int> &rows, std::function<void(CClipDialog &)> drive)
    {
        window->TaskList()->clearSelection();
        for (int row : rows)
            window->TaskList()->SetRowSelected(row, true);
        desktop.onDialog = [drive](QDialog &dialog) {
            auto &clip = static_cast<CClipDialog &>(dialog);
            clip.show();
            drive(clip);
            if (clip.isVisible())
                clip.reject();
            return clip.result();
        };
        window->ClipSelected();
    }
    static QStringList Times(const CClipDialog &clip)
    {
        return {clip.Text(IDC_CLIP_BEGIN_TEXT), clip.Text(IDC_CLIP_END_TEXT), clip.Text(IDC_CLIP_CUT_TEXT)};
    }
    // A drag of the thumb to `position` thousandths.
    static void DragTo(CClipDialog &clip, int position)
    {
        clip.PositionSlider()->SetPos(position);
        emit clip.PositionSlider()->SliderMoving(IDC_CLIP_POSITION, position);
    }
};

TEST_F(Clip, OpensPlayingWithTheRowTimesAndMarksTheTimeButtonsEditThem)
{
    // A row of 100 s: the 12 s source stands in, its columns say what the row holds.
    window->TaskList()->SetItemText(0, 2, QStringLiteral("00:01:40"));
    window->TaskList()->SetItemText(0, 5, QStringLiteral("100"));
    ClipRows({0}, [](CClipDialog &clip) {
        EXPECT_EQ(clip.PlayButtonMode, QStringLiteral("PAUSE")) << "playback starts at once";
        EXPECT_EQ(Times(clip), (QStringList{"00:00:00", "00:01:40", "00:01:40"}));
        CBitmapSlider *slider = clip.PositionSlider();
        EXPECT_EQ(slider->BeginMark(), 0);
        EXPECT_EQ(slider->EndMark(), 1000);
        EXPECT_EQ(slider->GetMarkMode(), CBitmapSlider::BetweenMarks);

        clip.ClipPosition = 30;
        slider->SetPos(300);
        clip.OnSetBeginTime();
        EXPECT_EQ(Times(clip), (QStringList{"00:00:30", "00:01:40", "00:01:10"}));
        EXPECT_EQ(slider->GetMarkMode(), CBitmapSlider::FromBegin);
        clip.ClipPosition = 80;
        slider->SetPos(800);
        clip.OnSetEndTime();
        EXPECT_EQ(Times(clip), (QStringList{"00:00:30", "00:01:20", "00:00:50"}));
        EXPECT_EQ(std::pair(slider->BeginMark(), slider->EndMark()), std::pair(300, 800));

        // An end before the begin swaps the two.
        clip.ClipPosition = 10;
        slider->SetPos(100);
        clip.OnSetEndTime();
        EXPECT_EQ(Times(clip), (QStringList{"00:00:10", "00:00:30", "00:00:20"}));
        EXPECT_EQ(std::pair(slider->BeginMark(), slider->EndMark()), std::pair(100, 300));

        // A new begin sends the end back to the end of the file.
        clip.ClipPosition = 50;
        clip.OnSetBeginTime();
        EXPECT_EQ(Times(clip), (QStringList{"00:00:50", "00:01:40", "00:00:50"}));

        clip.OnReset();
        EXPECT_EQ(Times(clip), (QStringList{"00:00:00", "00:01:40", "00:01:40"}));
        EXPECT_EQ(slider->GetMarkMode(), CBitmapSlider::NoMarks);
    });
}

TEST_F(Clip, ARowOfUnknownLengthMarksTheWholeSlider)
{
    window->TaskList()->SetItemText(0, 5, QStringLiteral("0"));
    ClipRows({0}, [](CClipDialog &clip) {
        EXPECT_EQ(std::pair(clip.PositionSlider()->BeginMark(), clip.PositionSlider()->EndMark()), std::pair(0, 1000));
        clip.ClipPosition = 3;
        clip.OnSetBeginTime();
        EXPECT_EQ(Times(clip), (QStringList{"00:00:03", "00:00:00", "00:00:00"}));
    });
}

TEST_F(Clip, OnlyOKWritesTheRowEvenUnchanged)
{
    struct Way {
        const char *name;
        std::function<void(CClipDialog &)> end;
        bool writes;
    };
    const Way ways[] = {
        {"Cancel", [](CClipDialog &c) { static_cast<QPushButton *>(c.controlById(IDC_CLIP_CANCEL))->click(); }, false},
        {"Escape", [](CClipDialog &c) { QTest::keyClick(&c, Qt::Key_Escape); }, false},
        {"close box", [](CClipDialog &c) { c.close(); }, false},
        {"OK", [](CClipDialog &c) { static_cast<QPushButton *>(c.controlById(IDC_CLIP_OK))->click(); }, true},
    };
    for (const Way &way : ways) {
        window->TaskList()->SetItemText(0, 1, QStringLiteral("00:00:01"));
        window->TaskList()->SetItemText(0, 2, QStringLiteral("00:00:09"));
        bool wasVisible = false;
        ClipRows({0}, [&](CClipDialog &clip) {
            clip.ClipPosition = 4;
            clip.OnSetBeginTime();
            way.end(clip);
            wasVisible = clip.isVisible();
        });
        EXPECT_FALSE(wasVisible) << way.name;
        EXPECT_EQ(Cell(0, 1), way.writes ? QStringLiteral("00:00:04") : QStringLiteral("00:00:01")) << way.name;
        EXPECT_EQ(Cell(0, 2), way.writes ? QStringLiteral("00:00:12") : QStringLiteral("00:00:09")) << way.name;
        // Every way out hands the player back: the panel previews again.
        Select(1);
        PressPlay();
        EXPECT_TRUE(Playing()) << way.name;
        window->StopPreview();
    }

    ClipRows({0}, [](CClipDialog &clip) { clip.OnOK(); });
    EXPECT_EQ(Cell(0, 1), QStringLiteral("00:00:04")) << "OK with nothing changed writes what it shows";
}

TEST_F(Clip, EachSelectedRowPlaysItsOwnSource)
{
    QList<double> durations;
    ClipRows({0, 1}, [&](CClipDialog &clip) {
        EXPECT_TRUE(QTest::qWaitFor([] { return PlayerSeconds() > 0.2; }, 5000)) << clip.ClipTaskIndex;
        durations.append(PlayerDuration());
    });
    ASSERT_EQ(durations.size(), 2);
    EXPECT_NEAR(durations[0], 12.0, 0.1);
    EXPECT_NEAR(durations[1], 3.0, 0.1);
}

TEST_F(Clip, SeekingWhilePausedPlaysOnAndTheEndStopsTheDialogsPlayer)
{
    ClipRows({1}, [](CClipDialog &clip) {
        clip.OnPlay();
        ASSERT_EQ(clip.PlayButtonMode, QStringLiteral("PLAY"));
        DragTo(clip, 700);
        EXPECT_EQ(clip.ClipPosition, 2) << "whole seconds of 0.7 of 3 s";
        EXPECT_TRUE(QTest::qWaitFor([] { return PlayerSeconds() > 2.1; }, 3000));
        EXPECT_EQ(clip.PlayButtonMode, QStringLiteral("PLAY"));
        // The end of the file reaches the dialog, not the main window.
        EXPECT_TRUE(QTest::qWaitFor([&clip] { return !clip.PositionSlider()->isEnabled(); }, 5000));
        EXPECT_EQ(clip.PositionSlider()->GetPos(), 0);
        EXPECT_TRUE(clip.isVisible());
    });
}
