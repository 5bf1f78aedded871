// The main window: construction, start-up, look and the window's own behaviour. The task list
// commands live in TaskListCommands.cpp, the folder and auxiliary ones in FolderCommands.cpp.
#include "app/CTamselAVConverterDlg.h"

#include "app/MainWindowIds.h"
#include "controls/CBitmapSlider.h"
#include "controls/CCheckHeadCtrl.h"
#include "controls/CCheckListCtrl.h"
#include "controls/CControlButton.h"
#include "controls/ControlLayout.h"
#include "controls/SkinBitmap.h"
#include "controls/WindowDrag.h"
#include "desktop/DesktopServices.h"
#include "dialogs/CAVConvertDlg.h"
#include "dialogs/CClipDialog.h"
#include "dialogs/player/PlayerModule.h"
#include "dialogs/PlayerPicture.h"
#include "engine/AVConvert.h"
#include "engine/ConvertWorker.h"
#include "engine/MergeWorker.h"
#include "profiles/OutputSettings.h"
#include "profiles/ProfileCatalogue.h"

#include <QApplication>
#include <QComboBox>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QWindow>

#include <algorithm>

namespace zentrova {

namespace {

// The window's template measures 503 x 307 dialog units of a 9-point font.
constexpr int kTemplateWidth = 503;
constexpr int kTemplateHeight = 307;
// The header band of the background, where a right click offers the window's menu.
constexpr int kTitleAreaHeight = 94;

struct ButtonSkin {
    int id;
    const char *layoutText;
    int x, y, w, h;          // dialog units
    int shape;               // 0: no shape of its own
    int hover, normal, pressed, fourth;
    int disabled;            // 0: never disabled
    bool enabledAtStart;
    const char *tooltip;     // null: none
    bool handCursor;
};

// Layout texts become mnemonics (Alt+A adds files), as the window always had them.
constexpr ButtonSkin kButtons[] = {
    {IDC_ADD, "&Add", 7, 13, 78, 34, 177, 178, 177, 177, 178, 0, true, "Add File", true},
    {IDC_CLIP, "&Clip", 82, 13, 76, 34, 280, 226, 180, 180, 226, 280, false, "Clip Video", true},
    {IDC_HELP, "&Help", 157, 13, 76, 34, 181, 182, 181, 181, 182, 0, true, "Help", true},
    {IDC_REMOVE, "Cut", 26, 217, 40, 32, 229, 188, 189, 189, 188, 229, false, "Remove", true},
    {IDC_CLEAR, "Empty", 97, 217, 41, 32, 269, 269, 191, 191, 269, 212, false, "Clear All", true},
    {IDC_MERGE, "Merge", 169, 217, 40, 31, 0, 286, 295, 295, 286, 296, false, " Merge into a file", true},
    {IDC_FILEINFO, "File Infomation", 236, 217, 39, 32, 261, 244, 243, 243, 244, 261, false, "File Information", true},
    {IDC_SETTING, "Setting", 255, 249, 66, 23, 196, 196, 197, 197, 196, 200, false, "Conversion Settings", true},
    {IDC_BROWSE, "Browse", 254, 274, 63, 19, 199, 199, 199, 199, 199, 0, true, "Set output files", true},
    {IDC_FINDTARGET, "Find Target", 321, 273, 61, 19, 204, 204, 204, 204, 204, 0, true, "Open output files", true},
    {IDC_CONVERT, "&Convert", 382, 245, 107, 46, 186, 185, 186, 186, 185, 279, false, "Start Converting", true},
    {IDC_PLAY, "Play", 317, 217, 31, 20, 301, 302, 302, 302, 302, 301, false, "Play", false},
    {IDC_STOP, "Stop", 348, 216, 40, 20, 303, 304, 304, 304, 304, 303, false, "Stop", false},
    {IDC_VOLUMEICON, "Check Volume", 434, 219, 12, 14, 293, 293, 293, 293, 293, 0, true, nullptr, false},
    {IDC_ABOUT, "00", 470, 1, 13, 16, 253, 253, 254, 254, 253, 0, true, "About", true},
    {IDC_MINIMIZE, "Button_MIX", 483, 1, 12, 13, 207, 208, 207, 207, 208, 0, true, "Minimize", true},
    {IDC_CLOSE, "Close", 493, 1, 10, 14, 209, 210, 209, 209, 210, 0, true, "Close", true},
};

const ButtonSkin *SkinOf(int id)
{
    for (const ButtonSkin &skin : kButtons)
        if (skin.id == id)
            return &skin;
    return nullptr;
}

} // namespace

CTamselAVConverterDlg::CTamselAVConverterDlg(const QString &programFolder, QWidget *parent)
    : QDialog(parent)
    , m_programFolder(programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : programFolder)
{
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint);
    setWindowIcon(QIcon(SkinPixmap(266)));
    QFont f = font();
    f.setPointSize(9);
    setFont(f);
    setFixedSize(DialogUnitRect(0, 0, kTemplateWidth, kTemplateHeight).size());
    setAcceptDrops(true);
    m_drag = std::make_unique<WindowDrag>(this);
    m_background = SkinPixmap(290);
    CreateControls();

    m_probeTimer.setSingleShot(true);
    connect(&m_probeTimer, &QTimer::timeout, this, &CTamselAVConverterDlg::ProcessNextFile);
    connect(&m_probe, &QFutureWatcher<MediaProbe>::finished, this, &CTamselAVConverterDlg::OnProbeDone);
    connect(&m_rowInfo, &QFutureWatcher<std::optional<MediaInfoTexts>>::finished, this,
            &CTamselAVConverterDlg::OnRowInfoDone);

    convertWorker = &ConvertWorker;
    mergeWorker = &MergeWorker;
    m_convertDlg = new CAVConvertDlg(this);
    connect(m_convertDlg, &QDialog::finished, this, &CTamselAVConverterDlg::FinishEndRun);
    connect(m_convertDlg, &CAVConvertDlg::ShutDownWhenDoneChanged, this, [this](bool on) { ShutDownWhenDone = on; });
    connect(m_convertDlg, &CAVConvertDlg::StopPolling, this, [this] { KillTimer(1); });
    // The progress dialog asks; only this window writes the stop, through the controller.
    connect(m_convertDlg, &CAVConvertDlg::StopRun, this, [this] { Run().RequestStop(); });
    connect(&m_runWait, &QTimer::timeout, this, &CTamselAVConverterDlg::OnRunWaitTick);
    m_clipDlg = new CClipDialog(*m_taskList, [this] { InitialisePreview(); }, this);
    // The Delete key belongs to the task list wherever the focus is in this window.
    qApp->installEventFilter(this);
}

CTamselAVConverterDlg::~CTamselAVConverterDlg()
{
    StopWorker();
    // A preview still playing ends with the window.
    PlayerModule_Close();
    ReleasePlayer(this);
    qApp->removeEventFilter(this);
}

void CTamselAVConverterDlg::CreateControls()
{
    for (const ButtonSkin &skin : kButtons) {
        auto *button = new CControlButton(this);
        SetControlId(button, skin.id);
        button->setText(QString::fromLatin1(skin.layoutText));
        button->setGeometry(DialogUnitRect(skin.x, skin.y, skin.w, skin.h));
        if (skin.tooltip)
            button->setToolTip(QString::fromLatin1(skin.tooltip));
        if (skin.handCursor)
            button->setCursor(Qt::PointingHandCursor);
    }
    connect(Button(IDC_ADD), &QAbstractButton::clicked, this, &CTamselAVConverterDlg::AddFiles);
    connect(Button(IDC_CLIP), &QAbstractButton::clicked, this, &CTamselAVConverterDlg::ClipSelected);
    connect(Button(IDC_HELP), &QAbstractButton::clicked, this, &CTamselAVConverterDlg::OpenHelp);
    connect(Button(IDC_REMOVE), &QAbstractButton::clicked, this, &CTamselAVConverterDlg::OnRemoveButton);
    connect(Button(IDC_CLEAR), &QAbstractButton::clicked, this, &CTamselAVConverterDlg::ClearAll);
    connect(Button(IDC_FILEINFO), &QAbstractButton::clicked, this, &CTamselAVConverterDlg::ShowFileInformation);
    connect(Button(IDC_SETTING), &QAbstractButton::clicked, this, &CTamselAVConverterDlg::OnSetting);
    connect(Button(IDC_BROWSE), &QAbstractButton::clicked, this, &CTamselAVConverterDlg::Browse);
    connect(Button(IDC_FINDTARGET), &QAbstractButton::clicked, this, &CTamselAVConverterDlg::FindTarget);
    connect(Button(IDC_ABOUT), &QAbstractButton::clicked, this, &CTamselAVConverterDlg::ShowAbout);
    connect(Button(IDC_MINIMIZE), &QAbstractButton::clicked, this, &QWidget::showMinimized);
    connect(Button(IDC_CLOSE), &QAbstractButton::clicked, this, &CTamselAVConverterDlg::OnClose);
    connect(Button(IDC_CONVERT), &QAbstractButton::clicked, this, &CTamselAVConverterDlg::StartConversion);
    connect(Button(IDC_MERGE), &QAbstractButton::clicked, this, &CTamselAVConverterDlg::StartMerge);
    connect(Button(IDC_PLAY), &QAbstractButton::clicked, this, &CTamselAVConverterDlg::OnPlay);
    connect(Button(IDC_STOP), &QAbstractButton::clicked, this, &CTamselAVConverterDlg::StopPreview);

    m_taskList = new CCheckListCtrl(this);
    SetControlId(m_taskList, IDC_TASKLIST);
    m_taskList->setGeometry(DialogUnitRect(7, 56, 302, 156));
    connect(m_taskList, &CCheckListCtrl::RowClicked, this, &CTamselAVConverterDlg::OnListClick);
    connect(m_taskList, &CCheckListCtrl::RowRightClicked, this, &CTamselAVConverterDlg::OnListRightClick);

    // Combo boxes take their own height; the template's height includes the drop-down list.
    m_profile = new QComboBox(this);
    SetControlId(m_profile, IDC_PROFILE);
    const QRect profileArea = DialogUnitRect(46, 257, 197, 30);
    m_profile->setGeometry(profileArea.x(), profileArea.y(), profileArea.width(), 26);
    m_profile->setMaxVisibleItems(13);
    connect(m_profile, &QComboBox::currentIndexChanged, this, &CTamselAVConverterDlg::OnProfileChanged);

    m_folder = new QComboBox(this);
    SetControlId(m_folder, IDC_FOLDER);
    m_folder->setEditable(true);
    m_folder->setInsertPolicy(QComboBox::NoInsert);
    const QRect folderArea = DialogUnitRect(46, 277, 197, 73);
    m_folder->setGeometry(folderArea.x(), folderArea.y(), folderArea.width(), 26);
    // Files dropped anywhere on the window are tasks, also over the folder box.
    m_folder->lineEdit()->setAcceptDrops(false);

    auto *frame = new PlayerPicture(this);
    SetControlId(frame, IDC_PREVIEW);
    frame->setFrameShape(QFrame::Box);
    frame->setGeometry(DialogUnitRect(317, 69, 183, 131));
    QPalette black = frame->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    frame->setPalette(black);
    // A static frame: presses fall through to the window, which starts a drag.
    frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_picture = frame;

    m_position = new CBitmapSlider(this);
    SetControlId(m_position, IDC_POSITION);
    m_position->setGeometry(DialogUnitRect(318, 204, 180, 12));
    m_volume = new CBitmapSlider(this);
    SetControlId(m_volume, IDC_VOLUME);
    m_volume->setGeometry(DialogUnitRect(449, 220, 46, 11));
    connect(m_position, &CBitmapSlider::SliderMoving, this, &CTamselAVConverterDlg::OnSliderMoving);
    connect(m_volume, &CBitmapSlider::SliderMoving, this, &CTamselAVConverterDlg::OnSliderMoving);
    // Keys move a slider without a drag; they change what the slider shows, so they act too.
    connect(m_position, &CBitmapSlider::SliderMoved, this, &CTamselAVConverterDlg::OnSliderMoved);
    connect(m_volume, &CBitmapSlider::SliderMoved, this, &CTamselAVConverterDlg::OnSliderMoved);

    // Shown over the foot of the list while many files are being probed.
    m_addProgress = new QProgressBar(this);
    const QRect listArea = m_taskList->geometry();
    m_addProgress->setGeometry(listArea.x() + 10, listArea.bottom() - 34, listArea.width() - 20, 24);
    m_addProgress->setFormat(QStringLiteral("Adding files: %v of %m"));
    m_addProgress->hide();
}

QWidget *CTamselAVConverterDlg::controlById(int id) const
{
    return FindControl(this, id);
}

CControlButton *CTamselAVConverterDlg::Button(int id) const
{
    return qobject_cast<CControlButton *>(controlById(id));
}

bool CTamselAVConverterDlg::OnInitDialog()
{
    // The window has no caption and so no system menu: its menu is offered on the title area
    // (BuildSystemMenu), with the same About entry.
    setWindowTitle(kApplicationTitle);

    // Profile box: the thirteen profiles, the first selected and loaded.
    {
        const QSignalBlocker block(m_profile);
        m_profile->clear();
        for (const Profile &profile : Profiles())
            m_profile->addItem(QString::fromUtf8(profile.displayText.data(), static_cast<qsizetype>(profile.displayText.size())));
        m_profile->setCurrentIndex(0);
    }
    ApplyProfileSelection(ProcessOutputSettings(), 0);

    SkinButtons();
    SetUpSliders();
    SetUpTaskList();
    ChooseOutputFolder();
    InitialisePreview();
    Button(IDC_ADD)->setFocus();
    return true;
}

void CTamselAVConverterDlg::SkinButtons()
{
    for (const ButtonSkin &skin : kButtons) {
        CControlButton *button = Button(skin.id);
        if (skin.shape)
            button->SetRegionFromBitmap(skin.shape);
        EnableCommand(skin.id, skin.enabledAtStart);
    }
}

void CTamselAVConverterDlg::SetUpSliders()
{
    m_position->SetChannelBitmaps(306, 307);
    m_position->SetThumbBitmaps();
    m_position->SetRange(0, 10000);
    m_position->SetPos(0);
    m_position->setEnabled(false);

    m_volume->SetChannelBitmaps(300, 299);
    m_volume->SetThumbBitmaps();
    m_volume->SetRange(0, 100000);
    m_volume->SetPos(30000);
}

void CTamselAVConverterDlg::SetUpTaskList()
{
    CCheckListCtrl *list = m_taskList;
    list->setColumnCount(6);
    list->setHorizontalHeaderLabels({QStringLiteral("Source file"), QStringLiteral("Start time"),
                                     QStringLiteral("End time"), QStringLiteral("Output format"),
                                     QStringLiteral("Status"), QStringLiteral("Duration")});
    list->setColumnWidth(1, 75);
    list->setColumnWidth(2, 75);
    // Every profile's text and every status fits; the source path takes what is left, at least
    // its old width, and gives way in its middle, its whole text in the tooltip.
    const QFontMetrics metrics = list->fontMetrics();
    const int cellMargins = 16;
    int formatWidth = 100;
    for (const Profile &profile : Profiles()) {
        const QString text = QString::fromUtf8(profile.displayText.data(), static_cast<qsizetype>(profile.displayText.size()));
        formatWidth = std::max(formatWidth, metrics.horizontalAdvance(text) + cellMargins);
    }
    list->setColumnWidth(3, formatWidth);
    int statusWidth = 75;
    for (const char *status : {"Completed", "Failure", " Ready"})
        statusWidth = std::max(statusWidth, metrics.horizontalAdvance(QString::fromLatin1(status)) + cellMargins);
    list->setColumnWidth(4, statusWidth);
    // The source column keeps filling the client area when a scroll bar takes part of it:
    // eventFilter, which sees the whole application's events, follows the viewport's size.
    FitSourceColumn();
    list->setColumnWidth(5, 0);
    list->setColumnHidden(5, true);
    list->InitHeaderCheckBox();
    QPalette p = list->palette();
    p.setColor(QPalette::Base, QColor(241, 250, 233));
    list->setPalette(p);
    list->hide();
}

void CTamselAVConverterDlg::FitSourceColumn()
{
    // The list scrolls sideways rather than cut the source column below its old width.
    constexpr int kNarrowestSource = 200;
    int others = 0;
    for (int column = 1; column < m_taskList->columnCount(); ++column)
        others += m_taskList->isColumnHidden(column) ? 0 : m_taskList->columnWidth(column);
    const int client = m_taskList->viewport()->width();
    m_taskList->setColumnWidth(0, std::max(kNarrowestSource, client - others));
}

void CTamselAVConverterDlg::EnableCommand(int id, bool enable)
{
    const ButtonSkin *skin = SkinOf(id);
    CControlButton *button = Button(id);
    if (!skin || !button)
        return;
    if (enable || !skin->disabled)
        button->SetBitmaps(skin->hover, skin->normal, skin->pressed, skin->fourth);
    else
        button->SetBitmaps(skin->disabled, skin->disabled, skin->disabled, skin->disabled);
    button->setEnabled(enable);
}

bool CTamselAVConverterDlg::IsCommandEnabled(int id) const
{
    const CControlButton *button = Button(id);
    return button && button->isEnabled();
}

void CTamselAVConverterDlg::EnablePreviewButtons()
{
    EnableCommand(IDC_PLAY, true);
    EnableCommand(IDC_STOP, true);
}

void CTamselAVConverterDlg::accept()
{
}

void CTamselAVConverterDlg::reject()
{
}

void CTamselAVConverterDlg::OnClose()
{
    PlayerModule_Close();
    StopWorker();
    m_closing = true;
    done(QDialog::Accepted);
}

void CTamselAVConverterDlg::closeEvent(QCloseEvent *event)
{
    // Alt+F4 and the desktop's close request are ignored; only the Close button ends the window.
    if (m_closing)
        event->accept();
    else
        event->ignore();
}

void CTamselAVConverterDlg::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawPixmap(rect(), m_background);
}

void CTamselAVConverterDlg::mousePressEvent(QMouseEvent *event)
{
    // Only the background moves the window; a press on a control (even a disabled one) does not.
    if (event->button() != Qt::LeftButton || childAt(event->position().toPoint())) {
        QDialog::mousePressEvent(event);
        return;
    }
    m_drag->Press(*event);
    event->accept();
}

void CTamselAVConverterDlg::mouseMoveEvent(QMouseEvent *event)
{
    if (m_drag->Move(*event)) {
        event->accept();
        return;
    }
    QDialog::mouseMoveEvent(event);
}

void CTamselAVConverterDlg::mouseReleaseEvent(QMouseEvent *event)
{
    m_drag->Release();
    QDialog::mouseReleaseEvent(event);
}

std::unique_ptr<QMenu> CTamselAVConverterDlg::BuildSystemMenu()
{
    auto menu = std::make_unique<QMenu>(this);
    QAction *minimize = menu->addAction(QStringLiteral("Minimize"));
    connect(minimize, &QAction::triggered, this, &QWidget::showMinimized);
    menu->addSeparator();
    QAction *about = menu->addAction(kApplicationTitle + QStringLiteral("..."));
    about->setData(IDM_ABOUTBOX);
    connect(about, &QAction::triggered, this, &CTamselAVConverterDlg::ShowAbout);
    return menu;
}

void CTamselAVConverterDlg::contextMenuEvent(QContextMenuEvent *event)
{
    if (event->pos().y() >= kTitleAreaHeight || childAt(event->pos())) {
        QDialog::contextMenuEvent(event);
        return;
    }
    BuildSystemMenu()->exec(event->globalPos());
}

bool CTamselAVConverterDlg::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize && watched == m_taskList->viewport())
        FitSourceColumn();
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete) {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget && (widget == this || isAncestorOf(widget)) && widget->window() == this) {
            RemoveSelected();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace zentrova
