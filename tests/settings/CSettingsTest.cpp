// The settings dialog driven as a user would: real clicks and keys on an offscreen dialog, a
// local output-settings record, and a recording desktop in place of message boxes.
#include "dialogs/CSettings.h"
#include "dialogs/SettingsMemory.h"
#include "profiles/OutputSettings.h"
#include "tests/support/RecordingDesktop.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QAbstractItemView>

#include <gtest/gtest.h>

#include <tuple>

using namespace zentrova;

namespace {

constexpr int kIPodH264 = 0;
constexpr int kIPodH264ForTV = 1;
constexpr int kIPodMpeg4 = 2;
constexpr int kTouchH264 = 6;
constexpr int kMp3 = 11;

auto Fields(const OutputSettings &s)
{
    return std::tuple(s.ProfileType, s.AudioOnly, s.Width, s.Height, s.FrameRate, s.VideoBitRate, s.VideoEncoder,
                      s.AudioEncoder, s.SampleRate, s.Channels, s.AudioBitRate);
}

QComboBox *Combo(const CSettings &dlg, int id)
{
    auto *combo = qobject_cast<QComboBox *>(dlg.Control(id));
    EXPECT_NE(combo, nullptr) << id;
    return combo;
}

QPushButton *Button(const CSettings &dlg, int id)
{
    auto *button = qobject_cast<QPushButton *>(dlg.Control(id));
    EXPECT_NE(button, nullptr) << id;
    return button;
}

QString Selected(const CSettings &dlg, int id)
{
    return Combo(dlg, id)->currentText();
}

QStringList Entries(const CSettings &dlg, int id)
{
    QStringList entries;
    const QComboBox *combo = Combo(dlg, id);
    for (int i = 0; i < combo->count(); ++i)
        entries << combo->itemText(i);
    return entries;
}

void Choose(const CSettings &dlg, int id, const QString &text)
{
    QComboBox *combo = Combo(dlg, id);
    const int index = combo->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    combo->setCurrentIndex(index);
}

void Click(const CSettings &dlg, int id)
{
    QTest::mouseClick(Button(dlg, id), Qt::LeftButton);
}

// The eight selections in the order the dialog remembers them.
QStringList Selections(const CSettings &dlg)
{
    return {Selected(dlg, CSettings::IdResolution), Selected(dlg, CSettings::IdFrameRate),
            Selected(dlg, CSettings::IdVideoBitRate), Selected(dlg, CSettings::IdVideoEncoder),
            Selected(dlg, CSettings::IdSampleRate), Selected(dlg, CSettings::IdChannels),
            Selected(dlg, CSettings::IdAudioBitRate), Selected(dlg, CSettings::IdAudioEncoder)};
}

const QStringList kFixedAudio = {"44100 Hz", "2 Channel Stereo", "192 kbps"};
// What the iPod profiles load: 48000 Hz, stereo, 128 kbps.
const QStringList kProfileAudio = {"48000 Hz", "2 Channel Stereo", "128 kbps"};

QStringList AudioSelections(const CSettings &dlg)
{
    return {Selected(dlg, CSettings::IdSampleRate), Selected(dlg, CSettings::IdChannels),
            Selected(dlg, CSettings::IdAudioBitRate)};
}

class SettingsDialog : public testing::Test {
protected:
    void SetUp() override
    {
        ResetSettingsMemory();
        Select(kIPodH264);
    }
    void TearDown() override { ResetSettingsMemory(); }

    void Select(int index) { ASSERT_TRUE(ApplyProfileSelection(settings, index)); }

    // Opens a dialog for the current profile, accepts it after `change`, and returns the result.
    template <typename Change>
    int AcceptWith(Change change)
    {
        CSettings dlg(nullptr, settings);
        dlg.show();
        change(dlg);
        Click(dlg, CSettings::IdOk);
        return dlg.result();
    }

    OutputSettings settings;
    test::RecordingDesktop desktop;
};

TEST_F(SettingsDialog, FirstOpeningShowsTheValuesInEffect)
{
    settings.AudioOnly = true; // stale: the opening works it out from the profile
    CSettings dlg(nullptr, settings);
    dlg.show();

    EXPECT_EQ(dlg.windowTitle(), "Setting");
    // The template's 268 x 186 units, and the device line under the buttons.
    EXPECT_EQ(dlg.size(), QSize(402, 351));
    auto *title = qobject_cast<QLineEdit *>(dlg.Control(CSettings::IdTitle));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text(), "iPod H.264(*.mp4)");
    EXPECT_TRUE(title->isReadOnly());
    EXPECT_EQ(title->palette().color(QPalette::Text), QColor(255, 0, 0));
    EXPECT_FALSE(settings.AudioOnly);

    EXPECT_EQ(Selections(dlg), QStringList({"320*240", "29.97 fps", "2000 kbps", "H.264", "48000 Hz",
                                            "2 Channel Stereo", "128 kbps", "AAC"}));
    EXPECT_EQ(Entries(dlg, CSettings::IdFrameRate),
              QStringList({"15.0 fps", "20.0 fps", "23.975 fps", "24.0 fps", "25.0 fps", "29.97 fps", "30.0 fps"}));
    EXPECT_EQ(Entries(dlg, CSettings::IdVideoBitRate),
              QStringList({"900 kbps", "1500 kbps", "2000 kbps", "2500 kbps", "3000 kbps", "4000 kbps"}));
    EXPECT_EQ(Entries(dlg, CSettings::IdSampleRate), QStringList({"44100 Hz", "48000 Hz", "22050 Hz", "32000 Hz"}));
    EXPECT_EQ(Entries(dlg, CSettings::IdChannels), QStringList({"1 Channel Mono", "2 Channel Stereo"}));
    for (int id : {CSettings::IdResolution, CSettings::IdVideoEncoder, CSettings::IdFrameRate,
                   CSettings::IdVideoBitRate, CSettings::IdSampleRate, CSettings::IdChannels,
                   CSettings::IdAudioEncoder, CSettings::IdAudioBitRate}) {
        EXPECT_FALSE(Combo(dlg, id)->isEditable()) << id;
        EXPECT_TRUE(Combo(dlg, id)->isEnabled()) << id;
    }

    EXPECT_EQ(Button(dlg, CSettings::IdDefault)->toolTip(), "Default setting");
    EXPECT_EQ(Button(dlg, CSettings::IdOk)->toolTip(), "OK");
    EXPECT_EQ(Button(dlg, CSettings::IdCancel)->toolTip(), "Cancel");
    EXPECT_EQ(Button(dlg, CSettings::IdOk)->text(), "OK");
    // 148, 164, 55, 19 dialog units of the 8-point template, each edge rounded on its own.
    EXPECT_EQ(Button(dlg, CSettings::IdOk)->geometry(), QRect(222, 267, 83, 30));
    EXPECT_EQ(dlg.Control(4242), nullptr);
}

TEST_F(SettingsDialog, OkAtOnceChangesNothingAndRemembersTheShownTexts)
{
    for (int profile : {kIPodH264, kIPodMpeg4, kMp3}) {
        SCOPED_TRACE(profile);
        Select(profile);
        const auto before = Fields(settings);
        EXPECT_EQ(AcceptWith([](CSettings &) {}), QDialog::Accepted);
        EXPECT_EQ(Fields(settings), before);
    }
    EXPECT_TRUE(desktop.messages.isEmpty());
    const SettingsMemory &memory = ProcessSettingsMemory();
    EXPECT_EQ(memory.SavedProfileType, 90106);
    EXPECT_EQ(QStringList(memory.SavedSettingsText.begin(), memory.SavedSettingsText.end()),
              QStringList({"", "", "", "", "44100 Hz", "2 Channel Stereo", "128 kbps", "MP3"}));
}

TEST_F(SettingsDialog, ReopeningShowsTheAcceptedValuesAudioIncluded)
{
    AcceptWith([](CSettings &dlg) {
        Choose(dlg, CSettings::IdVideoBitRate, "1500 kbps");
        Choose(dlg, CSettings::IdFrameRate, "25.0 fps");
        Choose(dlg, CSettings::IdSampleRate, "44100 Hz");
        Choose(dlg, CSettings::IdChannels, "1 Channel Mono");
        Choose(dlg, CSettings::IdAudioBitRate, "64 kbps");
    });
    EXPECT_EQ(settings.VideoBitRate, 1500000);
    EXPECT_EQ(settings.FrameRate, "25.0 fps");
    EXPECT_EQ(settings.SampleRate, 44100);
    EXPECT_EQ(settings.Channels, 1);
    EXPECT_EQ(settings.AudioBitRate, 64000);
    const auto accepted = Fields(settings);

    CSettings again(nullptr, settings);
    again.show();
    EXPECT_EQ(Selections(again), QStringList({"320*240", "25.0 fps", "1500 kbps", "H.264", "44100 Hz",
                                              "1 Channel Mono", "64 kbps", "AAC"}));
    Click(again, CSettings::IdOk);
    EXPECT_EQ(Fields(settings), accepted);
}

TEST_F(SettingsDialog, SelectingAProfileAgainShowsWhatItLoadedNotWhatWasAcceptedBefore)
{
    AcceptWith([](CSettings &dlg) {
        Choose(dlg, CSettings::IdVideoBitRate, "1500 kbps");
        Choose(dlg, CSettings::IdFrameRate, "25.0 fps");
    });

    struct Case {
        int profile;
        QStringList video; // resolution, frame rate, bit rate, encoder
    };
    // " iPod  MPEG4 Video" loads 1000 kbps, which its list lacks: the list gains it.
    const Case cases[] = {
        {kIPodH264ForTV, {"640*480", "29.97 fps", "2000 kbps", "H.264"}},
        {kIPodMpeg4, {"320*240", "29.97 fps", "1000 kbps", "MPEG4"}},
        {kIPodH264, {"320*240", "29.97 fps", "2000 kbps", "H.264"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.profile);
        Select(c.profile);
        CSettings dlg(nullptr, settings);
        dlg.show();
        EXPECT_EQ(Selections(dlg), c.video + kProfileAudio + QStringList{"AAC"});
        Click(dlg, CSettings::IdCancel);
    }
    Select(kIPodMpeg4);
    CSettings dlg(nullptr, settings);
    dlg.show();
    EXPECT_EQ(Entries(dlg, CSettings::IdVideoBitRate),
              QStringList({"128 kbps", "256 kbps", "384 kbps", "512 kbps", "640 kbps", "768 kbps", "900 kbps",
                           "1000 kbps", "1500 kbps"}));
}

TEST_F(SettingsDialog, AudioOnlyProfileHasEmptyDisabledVideoListsAndKeepsThePictureSize)
{
    Select(kTouchH264);
    Select(kMp3);
    ASSERT_EQ(settings.Width, 480);
    settings.AudioOnly = false;

    {
        CSettings dlg(nullptr, settings);
        dlg.show();
        EXPECT_TRUE(settings.AudioOnly);
        EXPECT_EQ(qobject_cast<QLineEdit *>(dlg.Control(CSettings::IdTitle))->text(),
                  "MP3 - MPEG Layer-3 Audio(*.MP3)");
        for (int id : {CSettings::IdResolution, CSettings::IdFrameRate, CSettings::IdVideoBitRate,
                       CSettings::IdVideoEncoder}) {
            EXPECT_EQ(Combo(dlg, id)->count(), 0) << id;
            EXPECT_FALSE(Combo(dlg, id)->isEnabled()) << id;
        }
        EXPECT_EQ(Selected(dlg, CSettings::IdAudioEncoder), "MP3");
        EXPECT_EQ(AudioSelections(dlg), QStringList({"44100 Hz", "2 Channel Stereo", "128 kbps"}));
        Choose(dlg, CSettings::IdAudioBitRate, "320 kbps");
        Click(dlg, CSettings::IdDefault);
        EXPECT_EQ(Selections(dlg), QStringList({"", "", "", "", "44100 Hz", "2 Channel Stereo", "192 kbps", "MP3"}));
        Click(dlg, CSettings::IdOk);
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
    }

    // The empty video lists leave the video values as they were.
    EXPECT_EQ(settings.Width, 480);
    EXPECT_EQ(settings.Height, 320);
    EXPECT_EQ(settings.FrameRate, "29.97 fps");
    EXPECT_EQ(settings.VideoBitRate, 512000);
    EXPECT_EQ(settings.VideoEncoder, "H.264");
    EXPECT_EQ(settings.AudioEncoder, "MP3");
    EXPECT_EQ(settings.SampleRate, 44100);
    EXPECT_EQ(settings.AudioBitRate, 192000);
    EXPECT_TRUE(settings.AudioOnly);
    EXPECT_TRUE(desktop.messages.isEmpty());

    // Going back to a video profile clears the flag again at the next opening.
    Select(kIPodH264);
    settings.AudioOnly = true;
    CSettings dlg(nullptr, settings);
    dlg.show();
    EXPECT_FALSE(settings.AudioOnly);
}

TEST_F(SettingsDialog, CancelAndEscapeChangeNothing)
{
    AcceptWith([](CSettings &dlg) { Choose(dlg, CSettings::IdFrameRate, "24.0 fps"); });
    const auto before = Fields(settings);
    const SettingsMemory memoryBefore = ProcessSettingsMemory();

    auto change = [](CSettings &dlg) {
        Choose(dlg, CSettings::IdFrameRate, "15.0 fps");
        Choose(dlg, CSettings::IdVideoBitRate, "900 kbps");
        Choose(dlg, CSettings::IdSampleRate, "22050 Hz");
        Click(dlg, CSettings::IdDefault);
    };
    {
        CSettings dlg(nullptr, settings);
        dlg.show();
        change(dlg);
        Click(dlg, CSettings::IdCancel);
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(dlg.result(), QDialog::Rejected);
    }
    {
        CSettings dlg(nullptr, settings);
        dlg.show();
        change(dlg);
        QTest::keyClick(Combo(dlg, CSettings::IdFrameRate), Qt::Key_Escape);
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(dlg.result(), QDialog::Rejected);
    }
    EXPECT_EQ(Fields(settings), before);
    EXPECT_EQ(ProcessSettingsMemory().SavedProfileType, memoryBefore.SavedProfileType);
    EXPECT_EQ(ProcessSettingsMemory().SavedSettingsText, memoryBefore.SavedSettingsText);
}

TEST_F(SettingsDialog, EnterNeverPressesOk)
{
    const auto before = Fields(settings);
    CSettings dlg(nullptr, settings);
    dlg.show();
    Choose(dlg, CSettings::IdVideoBitRate, "4000 kbps");

    for (QPushButton *button : dlg.findChildren<QPushButton *>()) {
        EXPECT_FALSE(button->isDefault()) << button->text().toStdString();
        EXPECT_FALSE(button->autoDefault()) << button->text().toStdString();
    }
    for (QWidget *target : {static_cast<QWidget *>(Combo(dlg, CSettings::IdVideoBitRate)),
                            static_cast<QWidget *>(Button(dlg, CSettings::IdOk)),
                            static_cast<QWidget *>(Button(dlg, CSettings::IdCancel)), static_cast<QWidget *>(&dlg)}) {
        QTest::keyClick(target, Qt::Key_Return);
        QTest::keyClick(target, Qt::Key_Enter, Qt::KeypadModifier);
        EXPECT_TRUE(dlg.isVisible()) << target->metaObject()->className();
    }
    EXPECT_EQ(dlg.result(), 0);
    EXPECT_EQ(Fields(settings), before);
    EXPECT_EQ(ProcessSettingsMemory().SavedProfileType, 0);
}

TEST_F(SettingsDialog, RunsModallyAsTheSettingButtonRunsIt)
{
    CSettings dlg(nullptr, settings);
    bool openAfterEnter = false;
    QTimer::singleShot(0, &dlg, [&] {
        Choose(dlg, CSettings::IdResolution, "320*240");
        Choose(dlg, CSettings::IdFrameRate, "23.975 fps");
        QTest::keyClick(Combo(dlg, CSettings::IdFrameRate), Qt::Key_Return);
        openAfterEnter = dlg.isVisible();
        Click(dlg, CSettings::IdOk);
    });
    EXPECT_EQ(dlg.exec(), QDialog::Accepted);
    EXPECT_TRUE(openAfterEnter);
    EXPECT_EQ(settings.FrameRate, "23.975 fps");
}

TEST_F(SettingsDialog, DefaultSelectsTheProfileDefaultsAndWritesNothingBeforeOk)
{
    AcceptWith([](CSettings &dlg) {
        Choose(dlg, CSettings::IdVideoBitRate, "900 kbps");
        Choose(dlg, CSettings::IdFrameRate, "15.0 fps");
    });
    const auto before = Fields(settings);

    CSettings dlg(nullptr, settings);
    dlg.show();
    ASSERT_EQ(Selected(dlg, CSettings::IdVideoBitRate), "900 kbps");
    Choose(dlg, CSettings::IdSampleRate, "32000 Hz");
    Choose(dlg, CSettings::IdChannels, "1 Channel Mono");
    Click(dlg, CSettings::IdDefault);

    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(Selections(dlg), QStringList({"320*240", "29.97 fps", "2000 kbps", "H.264", "44100 Hz",
                                            "2 Channel Stereo", "192 kbps", "AAC"}));
    EXPECT_EQ(Fields(settings), before);
    EXPECT_EQ(ProcessSettingsMemory().SavedSettingsText[SavedVideoBitRate], "900 kbps");

    Click(dlg, CSettings::IdOk);
    EXPECT_EQ(settings.VideoBitRate, 2000000);
    EXPECT_EQ(settings.FrameRate, "29.97 fps");
    EXPECT_EQ(settings.SampleRate, 44100);
    EXPECT_EQ(settings.AudioBitRate, 192000);
    EXPECT_EQ(ProcessSettingsMemory().SavedSettingsText[SavedVideoBitRate], "2000 kbps");
}

TEST_F(SettingsDialog, ChoosingTheAudioEncoderRebuildsTheAudioLists)
{
    CSettings dlg(nullptr, settings);
    dlg.show();
    Choose(dlg, CSettings::IdSampleRate, "22050 Hz");
    Choose(dlg, CSettings::IdChannels, "1 Channel Mono");
    Choose(dlg, CSettings::IdAudioBitRate, "96 kbps");

    QComboBox *encoder = Combo(dlg, CSettings::IdAudioEncoder);
    encoder->showPopup();
    QTest::keyClick(encoder->view(), Qt::Key_Return);

    EXPECT_EQ(AudioSelections(dlg), kFixedAudio);
    EXPECT_EQ(Entries(dlg, CSettings::IdAudioBitRate),
              QStringList({"64 kbps", "96 kbps", "128 kbps", "160 kbps", "192 kbps", "256 kbps", "320 kbps"}));
    EXPECT_EQ(Combo(dlg, CSettings::IdSampleRate)->count(), 4);
}

TEST_F(SettingsDialog, ValuesNoListOffersAreShownAndKeptAndRememberedTextsAreNotConsulted)
{
    SettingsMemory &memory = ProcessSettingsMemory();
    memory.SavedProfileType = 90400;
    memory.SavedSettingsText = {"640*480", "25.0 fps", "1500 kbps", "H.264", "22050 Hz", "", "", "AAC"};
    settings.Width = 111;
    settings.Height = 77;
    settings.VideoBitRate = 4750;
    settings.SampleRate = 8000;
    settings.Channels = 4;
    const auto before = Fields(settings);

    CSettings dlg(nullptr, settings);
    dlg.show();
    EXPECT_EQ(Entries(dlg, CSettings::IdResolution), QStringList({"111*77", "320*240"}));
    EXPECT_EQ(Selections(dlg), QStringList({"111*77", "29.97 fps", "4.75 kbps", "H.264", "8000 Hz", "", "128 kbps",
                                            "AAC"}));
    EXPECT_EQ(Entries(dlg, CSettings::IdSampleRate).first(), "8000 Hz");
    Click(dlg, CSettings::IdOk);
    EXPECT_EQ(Fields(settings), before);
    EXPECT_TRUE(desktop.messages.isEmpty());
}

TEST_F(SettingsDialog, MalformedResolutionReportsFailureAndOkGoesOn)
{
    for (const char *bad : {"320x240", "320*", "*240"}) {
        SCOPED_TRACE(bad);
        desktop.messages.clear();
        settings.Width = 320;
        settings.Height = 240;
        const int result = AcceptWith([bad](CSettings &dlg) {
            QComboBox *resolution = Combo(dlg, CSettings::IdResolution);
            resolution->addItem(QString::fromLatin1(bad));
            resolution->setCurrentIndex(resolution->count() - 1);
            Choose(dlg, CSettings::IdFrameRate, "20.0 fps");
        });
        EXPECT_EQ(result, QDialog::Accepted);
        ASSERT_EQ(desktop.messages.size(), 1);
        EXPECT_EQ(desktop.messages[0].text, QString::fromUtf8("\xE8\xBD\xAC\xE5\x8C\x96\xE5\xA4\xB1\xE8\xB4\xA5!"));
        EXPECT_EQ(desktop.messages[0].caption, kApplicationTitle);
        EXPECT_EQ(settings.Width, 320);
        EXPECT_EQ(settings.Height, 240);
        EXPECT_EQ(settings.FrameRate, "20.0 fps");
        EXPECT_EQ(settings.SampleRate, 48000);
        EXPECT_EQ(ProcessSettingsMemory().SavedSettingsText[SavedResolution], bad);
    }
}

class MoveProbe : public CSettings {
public:
    using CSettings::CSettings;
    int moves = 0;

protected:
    bool StartSystemMove() override
    {
        ++moves;
        return true;
    }
};

TEST_F(SettingsDialog, DraggingTheSurfaceMovesTheDialogButControlsKeepTheirPresses)
{
    MoveProbe dlg(nullptr, settings);
    dlg.show();
    const auto drag = [](QWidget *target, QPoint at, QPoint by) {
        QTest::mousePress(target, Qt::LeftButton, {}, at);
        QMouseEvent move(QEvent::MouseMove, QPointF(at + by), target->mapToGlobal(QPointF(at + by)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &move);
        QTest::mouseRelease(target, Qt::LeftButton, {}, at + by);
    };

    // A click alone never starts a move.
    QTest::mouseClick(&dlg, Qt::LeftButton, {}, QPoint(200, 295));
    EXPECT_EQ(dlg.moves, 0);
    drag(&dlg, QPoint(200, 295), QPoint(30, 10));
    EXPECT_EQ(dlg.moves, 1);
    QTest::mousePress(&dlg, Qt::RightButton, {}, QPoint(200, 295));
    EXPECT_EQ(dlg.moves, 1);

    // Labels and frames are part of the surface.
    QLabel *label = dlg.findChild<QLabel *>();
    ASSERT_NE(label, nullptr);
    drag(label, QPoint(2, 2), QPoint(20, 0));
    EXPECT_EQ(dlg.moves, 2);
    QGroupBox *frame = dlg.findChild<QGroupBox *>();
    ASSERT_NE(frame, nullptr);
    drag(frame, QPoint(frame->width() / 2, frame->height() - 4), QPoint(0, 20));
    EXPECT_EQ(dlg.moves, 3);

    QTest::mousePress(Button(dlg, CSettings::IdDefault), Qt::LeftButton);
    QTest::mouseRelease(Button(dlg, CSettings::IdDefault), Qt::LeftButton);
    QComboBox *combo = Combo(dlg, CSettings::IdFrameRate);
    QTest::mousePress(combo, Qt::LeftButton);
    combo->hidePopup();
    EXPECT_EQ(dlg.moves, 3);
    EXPECT_TRUE(dlg.isVisible());
}

} // namespace

TEST_F(SettingsDialog, DeviceLineFollowsTheSelectedValues)
{
    struct Case {
        int profile;
        const char *videoBitRate;  // nullptr: leave the selection
        const char *audioBitRate;
        const char *line;
    };
    const Case cases[] = {
        // The 2000 kbps default is above what the devices play.
        {kIPodH264, nullptr, nullptr,
         "Plays on: iPod 5G/5.5G (firmware 1.2 or later); iPod classic, nano 3G-5G, touch 1G/2G. Video bit rate "
         "lowered to 1500 kbps"},
        {kIPodMpeg4, "768 kbps", "192 kbps",
         "Plays on: iPod 5G (firmware before 1.2); iPod 5G/5.5G (firmware 1.2 or later); iPod classic, nano 3G-5G, "
         "touch 1G/2G. Audio bit rate lowered to 160 kbps"},
        {kIPodH264ForTV, "1500 kbps", nullptr,
         "Plays on: iPod 5G/5.5G (firmware 1.2 or later); iPod classic, nano 3G-5G, touch 1G/2G"},
        {kMp3, nullptr, "320 kbps",
         "Plays on: iPod 5G (firmware before 1.2); iPod 5G/5.5G (firmware 1.2 or later); iPod classic, nano 3G-5G, "
         "touch 1G/2G"},
    };
    for (const Case &c : cases) {
        Select(c.profile);
        CSettings dlg(nullptr, settings);
        dlg.show();
        if (c.videoBitRate)
            Choose(dlg, CSettings::IdVideoBitRate, c.videoBitRate);
        if (c.audioBitRate)
            Choose(dlg, CSettings::IdAudioBitRate, c.audioBitRate);
        auto *line = qobject_cast<QLabel *>(dlg.Control(CSettings::IdDevices));
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(line->text().toStdString(), c.line) << c.profile;
    }
}
