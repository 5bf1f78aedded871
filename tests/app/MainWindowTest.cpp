// The main window's start-up state, layout, look rules, keys, dragging and closing.
#include "tests/app/TestWindow.h"

#include "app/MainWindowIds.h"
#include "controls/CBitmapSlider.h"
#include "controls/CCheckListCtrl.h"
#include "controls/CControlButton.h"
#include "controls/ControlLayout.h"
#include "profiles/OutputSettings.h"

#include <QComboBox>
#include <QDir>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>
#include <QWindow>

using namespace zentrova;
using zentrova::test::WindowTest;

namespace {

constexpr int kListCommands[] = {IDC_CONVERT, IDC_CLIP, IDC_REMOVE, IDC_CLEAR, IDC_SETTING, IDC_MERGE, IDC_FILEINFO};

void SendMouse(QWidget *target, QEvent::Type type, QPoint local, Qt::MouseButtons buttons)
{
    const QPointF global = target->mapToGlobal(QPointF(local));
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(local), global, button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

} // namespace

TEST(MainWindowLayout, TemplateBecomesTheBackgroundsSize)
{
    EXPECT_EQ(DialogUnitRect(0, 0, 503, 307).size(), QSize(880, 537));
}

using MainWindow = WindowTest;

TEST_F(MainWindow, StartsWithHiddenListAndListCommandsDisabled)
{
    EXPECT_EQ(window->size(), QSize(880, 537));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Zentrova iPod Video Converter"));
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_FALSE(window->TaskList()->isVisible());
    for (int id : kListCommands)
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_FALSE(Enabled(IDC_PLAY));
    EXPECT_FALSE(Enabled(IDC_STOP));
    for (int id : {IDC_ADD, IDC_HELP, IDC_BROWSE, IDC_FINDTARGET, IDC_ABOUT, IDC_MINIMIZE, IDC_CLOSE, IDC_VOLUMEICON})
        EXPECT_TRUE(Enabled(id)) << id;
    // Disabled buttons show their disabled look in every state.
    EXPECT_EQ(window->Button(IDC_CONVERT)->NormalBitmap(), 279);
    EXPECT_EQ(window->Button(IDC_CONVERT)->HoverBitmap(), 279);
    EXPECT_EQ(window->Button(IDC_PLAY)->NormalBitmap(), 301);
    EXPECT_EQ(window->Button(IDC_ADD)->NormalBitmap(), 177);
    EXPECT_EQ(window->Button(IDC_ADD)->HoverBitmap(), 178);
    EXPECT_EQ(window->Button(IDC_ABOUT)->NormalBitmap(), 254);

    EXPECT_EQ(window->ProfileCombo()->count(), 13);
    EXPECT_EQ(window->ProfileCombo()->currentIndex(), 0);
    EXPECT_EQ(window->ProfileCombo()->currentText(), QStringLiteral(" iPod H.264(*.mp4)"));
    const OutputSettings &s = ProcessOutputSettings();
    EXPECT_EQ(s.ProfileType, 90400);
    EXPECT_EQ(s.Width, 320);
    EXPECT_EQ(s.Height, 240);
    EXPECT_EQ(s.FrameRate, "29.97 fps");
    EXPECT_EQ(s.VideoBitRate, 2000000);
    EXPECT_FALSE(s.AudioOnly);

    EXPECT_EQ(window->FolderBox()->currentText(), programDir + QStringLiteral("/OutPut"));
    EXPECT_FALSE(window->PositionSlider()->isEnabled());
    EXPECT_EQ(window->PositionSlider()->GetRangeMax(), 1000);
    EXPECT_EQ(window->VolumeSlider()->GetRangeMax(), 100000);
    EXPECT_EQ(window->VolumeSlider()->GetPos(), 30000);
    EXPECT_EQ(window->ClipTaskIndex, 0);
}

TEST_F(MainWindow, ControlsSitAtTheirTemplateRectangles)
{
    struct Place {
        int id, x, y, w, h;
    };
    const Place places[] = {
        {IDC_ADD, 7, 13, 78, 34},        {IDC_CLIP, 82, 13, 76, 34},       {IDC_HELP, 157, 13, 76, 34},
        {IDC_TASKLIST, 7, 56, 302, 156}, {IDC_REMOVE, 26, 217, 40, 32},    {IDC_CLEAR, 97, 217, 41, 32},
        {IDC_MERGE, 169, 217, 40, 31},   {IDC_FILEINFO, 236, 217, 39, 32}, {IDC_SETTING, 255, 249, 66, 23},
        {IDC_BROWSE, 254, 274, 63, 19},  {IDC_FINDTARGET, 321, 273, 61, 19}, {IDC_CONVERT, 382, 245, 107, 46},
        {IDC_PREVIEW, 317, 69, 183, 131}, {IDC_PLAY, 317, 217, 31, 20},    {IDC_STOP, 348, 216, 40, 20},
        {IDC_VOLUMEICON, 434, 219, 12, 14}, {IDC_ABOUT, 470, 1, 13, 16},   {IDC_MINIMIZE, 483, 1, 12, 13},
        {IDC_CLOSE, 493, 1, 10, 14},
    };
    for (const Place &p : places) {
        const QWidget *control = window->controlById(p.id);
        ASSERT_NE(control, nullptr) << p.id;
        EXPECT_EQ(control->geometry(), DialogUnitRect(p.x, p.y, p.w, p.h)) << p.id;
    }
    // Sliders take their channel's size at their place; combos their own height.
    EXPECT_EQ(window->PositionSlider()->pos(), DialogUnitRect(318, 204, 180, 12).topLeft());
    EXPECT_EQ(window->VolumeSlider()->pos(), DialogUnitRect(449, 220, 46, 11).topLeft());
    EXPECT_EQ(window->ProfileCombo()->pos(), DialogUnitRect(46, 257, 197, 30).topLeft());
    EXPECT_EQ(window->FolderBox()->pos(), DialogUnitRect(46, 277, 197, 73).topLeft());
    // Every button's artwork is drawn for its size.
    for (int id : {IDC_ADD, IDC_CONVERT, IDC_MERGE, IDC_CLOSE})
        EXPECT_EQ(window->Button(id)->sizeHint(), window->Button(id)->size()) << id;
}

TEST_F(MainWindow, TooltipsAndHandCursor)
{
    EXPECT_EQ(window->Button(IDC_MERGE)->toolTip(), QStringLiteral(" Merge into a file"));
    EXPECT_EQ(window->Button(IDC_ADD)->toolTip(), QStringLiteral("Add File"));
    EXPECT_EQ(window->Button(IDC_CONVERT)->toolTip(), QStringLiteral("Start Converting"));
    EXPECT_EQ(window->Button(IDC_BROWSE)->toolTip(), QStringLiteral("Set output files"));
    EXPECT_EQ(window->Button(IDC_PLAY)->toolTip(), QStringLiteral("Play"));
    EXPECT_TRUE(window->Button(IDC_VOLUMEICON)->toolTip().isEmpty());

    // A disabled Convert still shows the hand; Play, Stop and the sliders keep the arrow.
    EXPECT_EQ(window->Button(IDC_CONVERT)->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(window->Button(IDC_CLOSE)->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(window->Button(IDC_PLAY)->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(window->Button(IDC_STOP)->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(window->VolumeSlider()->cursor().shape(), Qt::ArrowCursor);

    // What the window shows under the pointer: Qt would show the window's arrow over a disabled button.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    const auto shownOver = [this](QWidget *control) {
        QTest::mouseMove(window.get(), control->geometry().center());
        return window->windowHandle()->cursor().shape();
    };
    ASSERT_FALSE(window->Button(IDC_CONVERT)->isEnabled());
    EXPECT_EQ(shownOver(window->Button(IDC_CONVERT)), Qt::PointingHandCursor);
    EXPECT_EQ(shownOver(window->Button(IDC_PLAY)), Qt::ArrowCursor);
    EXPECT_EQ(shownOver(window->Button(IDC_ADD)), Qt::PointingHandCursor);
}

TEST_F(MainWindow, EnterEscapeAndCloseRequestsLeaveItOpenTheCloseButtonEndsIt)
{
    QTest::keyClick(window.get(), Qt::Key_Return);
    QTest::keyClick(window.get(), Qt::Key_Enter);
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());

    QTest::mouseClick(window->Button(IDC_CLOSE), Qt::LeftButton, Qt::NoModifier,
                      window->Button(IDC_CLOSE)->rect().center());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Accepted);
}

TEST_F(MainWindow, DraggingTheBackgroundMovesTheWindowButNotAButton)
{
    window->move(100, 100);
    const QPoint start = window->pos();
    const QPoint background(600, 10);
    ASSERT_EQ(window->childAt(background), nullptr);
    SendMouse(window.get(), QEvent::MouseButtonPress, background, Qt::LeftButton);
    SendMouse(window.get(), QEvent::MouseMove, background + QPoint(30, 20), Qt::LeftButton);
    SendMouse(window.get(), QEvent::MouseButtonRelease, background + QPoint(30, 20), Qt::NoButton);
    EXPECT_EQ(window->pos(), start + QPoint(30, 20));

    // The preview frame is a plain static: the background around and behind it drags too.
    const QPoint onPreview = window->controlById(IDC_PREVIEW)->geometry().center();
    const QPoint beforePreview = window->pos();
    SendMouse(window.get(), QEvent::MouseButtonPress, onPreview, Qt::LeftButton);
    SendMouse(window.get(), QEvent::MouseMove, onPreview + QPoint(-10, 5), Qt::LeftButton);
    SendMouse(window.get(), QEvent::MouseButtonRelease, onPreview + QPoint(-10, 5), Qt::NoButton);
    EXPECT_EQ(window->pos(), beforePreview + QPoint(-10, 5));

    // A press on a disabled button is still a press on a control.
    const QPoint onConvert = window->Button(IDC_CONVERT)->geometry().center();
    const QPoint before = window->pos();
    SendMouse(window.get(), QEvent::MouseButtonPress, onConvert, Qt::LeftButton);
    SendMouse(window.get(), QEvent::MouseMove, onConvert + QPoint(40, 40), Qt::LeftButton);
    SendMouse(window.get(), QEvent::MouseButtonRelease, onConvert + QPoint(40, 40), Qt::NoButton);
    EXPECT_EQ(window->pos(), before);
}

TEST_F(MainWindow, OnlyADragWithTheButtonHeldMovesTheWindow)
{
    struct Step {
        QEvent::Type type;
        QPoint offset; // from the press
        Qt::MouseButtons buttons;
    };
    const auto press = Step{QEvent::MouseButtonPress, {}, Qt::LeftButton};
    const auto release = [](QPoint at) { return Step{QEvent::MouseButtonRelease, at, Qt::NoButton}; };
    const auto held = [](QPoint at) { return Step{QEvent::MouseMove, at, Qt::LeftButton}; };
    const auto free = [](QPoint at) { return Step{QEvent::MouseMove, at, Qt::NoButton}; };
    struct Case {
        const char *name;
        std::vector<Step> steps;
        QPoint moved;
    };
    const Case cases[] = {
        {"click", {press, release({}), free({92, 40})}, {}},
        {"wobble under the drag distance", {press, held({2, 1}), release({2, 1}), free({50, 0})}, {}},
        {"drag", {press, held({30, 20}), release({30, 20}), free({90, 90})}, {30, 20}},
    };
    const QPoint background(600, 10);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        window->move(100, 100);
        const QPoint start = window->pos();
        for (const Step &step : c.steps)
            SendMouse(window.get(), step.type, background + step.offset - (window->pos() - start), step.buttons);
        EXPECT_EQ(window->pos(), start + c.moved);
    }
}

TEST_F(MainWindow, AboutFromTheButtonAndFromTheWindowMenu)
{
    QTest::mouseClick(window->Button(IDC_ABOUT), Qt::LeftButton, Qt::NoModifier,
                      window->Button(IDC_ABOUT)->rect().center());
    EXPECT_EQ(desktop.dialogs, QStringList{QStringLiteral("About")});

    std::unique_ptr<QMenu> menu = window->BuildSystemMenu();
    QAction *about = nullptr;
    for (QAction *action : menu->actions())
        if (action->data().toInt() == IDM_ABOUTBOX)
            about = action;
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->text(), QStringLiteral("Zentrova iPod Video Converter..."));
    about->trigger();
    EXPECT_EQ(desktop.dialogs.size(), 2);
}

TEST_F(MainWindow, MinimizeButtonMinimizes)
{
    QTest::mouseClick(window->Button(IDC_MINIMIZE), Qt::LeftButton, Qt::NoModifier,
                      window->Button(IDC_MINIMIZE)->rect().center());
    EXPECT_TRUE(window->windowState() & Qt::WindowMinimized);
}
