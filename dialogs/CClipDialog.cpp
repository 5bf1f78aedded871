// The clip dialog, laid out on the 8-point template grid over its stretched background.
#include "dialogs/CClipDialog.h"

#include "controls/CBitmapSlider.h"
#include "controls/CCheckListCtrl.h"
#include "controls/CControlButton.h"
#include "controls/ControlLayout.h"
#include "controls/SkinBitmap.h"
#include "dialogs/player/PlayerModule.h"
#include "dialogs/PlayerPicture.h"
#include "profiles/ClipTime.h"

#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimerEvent>

#include <algorithm>

namespace zentrova {

namespace {

constexpr int kTemplateSize = 286;
constexpr int kBackground = 311;
constexpr int kPlayShape = 301;
constexpr int kStopShape = 303;
constexpr int kStopLook = 304;

QString TimeText(int seconds)
{
    return QString::fromStdString(FormatClipTime(seconds));
}

int ParseTime(const QString &text)
{
    return ParseClipTime(text.toStdString());
}

const char kStyleSheet[] = R"(
QGroupBox { border: 1px solid #c3d0c8; border-radius: 5px; margin-top: 7px; color: #26323a; }
QGroupBox::title { subcontrol-origin: margin; left: 7px; padding: 0 3px; }
QLabel { background: transparent; color: #26323a; }
)";

} // namespace

bool CClipDialog::ClipPlayerOpened = false;

CClipDialog::CClipDialog(CCheckListCtrl &tasks, std::function<void()> handBack, QWidget *parent)
    : QDialog(parent)
    , m_tasks(tasks)
    , m_handBack(std::move(handBack))
{
    setWindowTitle(QStringLiteral("Clip"));
    QFont f = font();
    f.setPointSize(8);
    setFont(f);
    setFixedSize(SmallTemplateRect(0, 0, kTemplateSize, kTemplateSize).size());
    setStyleSheet(QString::fromLatin1(kStyleSheet));
    CreateControls();
}

CClipDialog::~CClipDialog()
{
    ReleasePlayer(this);
}

void CClipDialog::CreateControls()
{
    m_picture = new PlayerPicture(this);
    SetControlId(m_picture, IDC_CLIP_PICTURE);
    m_picture->setGeometry(SmallTemplateRect(3, 11, 279, 152));

    m_slider = new CBitmapSlider(this);
    SetControlId(m_slider, IDC_CLIP_POSITION);
    m_slider->setGeometry(SmallTemplateRect(3, 169, 260, 14));
    connect(m_slider, &CBitmapSlider::SliderMoving, this, &CClipDialog::OnSliderMoving);

    auto makeTransport = [this](int id, const char *text, const QRect &area, const char *tip) {
        auto *button = new CControlButton(this);
        SetControlId(button, id);
        button->setText(QString::fromLatin1(text));
        button->setGeometry(area);
        button->setToolTip(QString::fromLatin1(tip));
        return button;
    };
    m_play = makeTransport(IDC_CLIP_PLAY, "&Play", SmallTemplateRect(3, 182, 38, 24), "Play");
    m_stop = makeTransport(IDC_CLIP_STOP, "&Stop", SmallTemplateRect(37, 181, 39, 25), "Stop");
    connect(m_play, &QAbstractButton::clicked, this, &CClipDialog::OnPlay);
    connect(m_stop, &QAbstractButton::clicked, this, &CClipDialog::OnStop);

    auto *frame = new QGroupBox(this);
    frame->setGeometry(SmallTemplateRect(3, 210, 279, 53));
    struct TimeBox {
        const char *title;
        QRect box;
        int id;
        QRect text;
    };
    const TimeBox boxes[] = {
        {"Start time", SmallTemplateRect(3, 214, 75, 27), IDC_CLIP_BEGIN_TEXT, SmallTemplateRect(13, 225, 48, 11)},
        {"End time", SmallTemplateRect(97, 215, 70, 26), IDC_CLIP_END_TEXT, SmallTemplateRect(106, 226, 48, 11)},
        {"Cut time", SmallTemplateRect(188, 214, 73, 25), IDC_CLIP_CUT_TEXT, SmallTemplateRect(195, 223, 48, 11)},
    };
    for (const TimeBox &entry : boxes) {
        auto *box = new QGroupBox(QString::fromLatin1(entry.title), this);
        box->setGeometry(entry.box.adjusted(0, -4, 0, 2));
        auto *text = new QLabel(QStringLiteral("00:00:00"), this);
        SetControlId(text, entry.id);
        // Our fonts are taller than the template's: the line keeps its descenders.
        text->setGeometry(entry.text.adjusted(0, -1, 0, 2));
    }

    struct Command {
        int id;
        const char *text;
        QRect area;
        const char *tip;
        void (CClipDialog::*handler)();
    };
    const Command commands[] = {
        {IDC_CLIP_SET_BEGIN, "&Set Begin Time", SmallTemplateRect(9, 242, 59, 15), "Set Begin Time", &CClipDialog::OnSetBeginTime},
        {IDC_CLIP_SET_END, "&Set End Time", SmallTemplateRect(100, 243, 59, 15), "Set End Time", &CClipDialog::OnSetEndTime},
        {IDC_CLIP_RESET, "&Reset", SmallTemplateRect(193, 243, 50, 14), "Reset Time", &CClipDialog::OnReset},
        {IDC_CLIP_OK, "&OK", SmallTemplateRect(167, 264, 50, 18), "OK", &CClipDialog::OnOK},
        {IDC_CLIP_CANCEL, "&Cancel", SmallTemplateRect(232, 264, 50, 18), "Cancel", &QDialog::reject},
    };
    for (const Command &command : commands) {
        auto *button = new QPushButton(QString::fromLatin1(command.text), this);
        SetControlId(button, command.id);
        // Our fonts run wider than the template's: a button keeps its centre and shows its text.
        QRect area = command.area;
        const int wanted = button->sizeHint().width();
        if (wanted > area.width())
            area.adjust(-(wanted - area.width()) / 2, 0, (wanted - area.width() + 1) / 2, 0);
        button->setGeometry(area);
        button->setToolTip(QString::fromLatin1(command.tip));
        connect(button, &QPushButton::clicked, this, command.handler);
    }
}

QWidget *CClipDialog::controlById(int id) const
{
    return FindControl(this, id);
}

QString CClipDialog::Text(int id) const
{
    const auto *label = qobject_cast<const QLabel *>(controlById(id));
    return label ? label->text() : QString();
}

void CClipDialog::SetText(int id, int seconds)
{
    if (auto *label = qobject_cast<QLabel *>(controlById(id)))
        label->setText(TimeText(seconds));
}

int CClipDialog::Duration() const
{
    return m_tasks.GetItemText(ClipTaskIndex, 5).toInt();
}

bool CClipDialog::OnInitDialog()
{
    if (!m_looksGiven) {
        // The buttons take their artwork's size, drawn for the main window's grid; Stop keeps
        // clear of Play, which would otherwise cover its left edge.
        m_play->resize(SkinPixmap(kPlayShape).size());
        m_play->SetRegionFromBitmap(kPlayShape);
        ShowPlayLook(*m_play, false);
        m_stop->setGeometry(QRect(QPoint(std::max(m_stop->x(), m_play->geometry().right() + 3), m_stop->y()),
                                  SkinPixmap(kStopShape).size()));
        m_stop->SetRegionFromBitmap(kStopShape);
        m_stop->SetBitmaps(kStopLook, kStopLook, kStopLook, kStopLook);
        m_looksGiven = true;
    }
    m_slider->SetChannelBitmaps(314, 319);
    m_slider->SetThumbBitmaps();
    m_slider->move(SmallTemplateRect(3, 169, 260, 14).topLeft());
    m_slider->SetRange(0, 1000);
    m_slider->SetPos(0);
    m_slider->SetMarks(0, 0);
    m_slider->SetMarkMode(CBitmapSlider::NoMarks);
    m_slider->setEnabled(false);

    TakeOverPlayer(this, [this] { OnStop(); });
    m_picture->ReleaseFrameBuffer();
    PlayButtonMode = QStringLiteral("PLAY");
    m_play->setToolTip(QStringLiteral("Play"));
    ReopenNeeded = true;
    ClipPosition = 0;
    m_showPending = true;
    m_open = true;
    return true;
}

void CClipDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_showPending)
        return;
    m_showPending = false;
    OnPlay();

    const QString start = m_tasks.GetItemText(ClipTaskIndex, 1);
    const QString end = m_tasks.GetItemText(ClipTaskIndex, 2);
    const int begin = ParseTime(start);
    const int finish = ParseTime(end);
    if (auto *label = qobject_cast<QLabel *>(controlById(IDC_CLIP_BEGIN_TEXT)))
        label->setText(start);
    if (auto *label = qobject_cast<QLabel *>(controlById(IDC_CLIP_END_TEXT)))
        label->setText(end);
    SetText(IDC_CLIP_CUT_TEXT, finish - begin);

    // A row of unknown or sub-second length has no scale: its marks span the whole slider.
    const int length = Duration();
    if (length > 0)
        m_slider->SetMarks(std::clamp(begin * 1000 / length, 0, 1000), std::clamp(finish * 1000 / length, 0, 1000));
    else
        m_slider->SetMarks(0, 1000);
    m_slider->SetMarkMode(CBitmapSlider::BetweenMarks);
}

void CClipDialog::StartTimers()
{
    StartPlayerTimers(m_timers, this);
    PositionTimer = kPlayerPositionTimer;
    FrameTimer = kPlayerFrameTimer;
}

void CClipDialog::SetPlayLook(bool pauseLook)
{
    ShowPlayLook(*m_play, pauseLook);
}

void CClipDialog::OnPlay()
{
    if (PlayButtonMode == QLatin1String("PLAY")) {
        if (ReopenNeeded)
            OpenFile();
        if (!ClipPlayerOpened)
            return;
        StartTimers();
        PlayerModule_Start();
        m_slider->setEnabled(true);
        PlayButtonMode = QStringLiteral("PAUSE");
        SetPlayLook(true);
        return;
    }
    ReopenNeeded = false;
    if (!ClipPlayerOpened)
        return;
    StartTimers();
    PlayerModule_Pause();
    PlayButtonMode = QStringLiteral("PLAY");
    SetPlayLook(false);
}

void CClipDialog::OpenFile()
{
    OnStop();
    StartTimers();
    if (!m_picture->OpenInPlayer(m_tasks.GetItemText(ClipTaskIndex, 0)))
        return;
    ClipPlayerOpened = true;
}

void CClipDialog::OnStop()
{
    if (!ClipPlayerOpened)
        return;
    m_timers.Kill(kPlayerPositionTimer);
    m_timers.Kill(kPlayerFrameTimer);
    PositionTimer = FrameTimer = 0;
    PlayerModule_Stop();
    m_slider->setEnabled(false);
    PlayButtonMode = QStringLiteral("PLAY");
    SetPlayLook(false);
    m_slider->SetPos(0);
    m_slider->update();
    m_picture->Erase();
}

void CClipDialog::timerEvent(QTimerEvent *event)
{
    const int id = m_timers.IdOf(event);
    if (id == kPlayerPositionTimer) {
        float fraction = 0;
        double duration = 0;
        PlayerModule_GetPos(&fraction);
        PlayerModule_GetDuration(&duration);
        ClipPosition = static_cast<int>(fraction * duration);
        const int position = static_cast<int>(fraction * 1000.0);
        if (position != m_slider->GetPos()) {
            m_slider->SetPos(position);
            m_slider->update();
        }
    } else if (id == kPlayerFrameTimer) {
        if (m_picture->HasVideo())
            m_picture->FetchFrame();
    } else {
        QDialog::timerEvent(event);
    }
}

void CClipDialog::OnSliderMoving(int, int position)
{
    if (!ClipPlayerOpened)
        return;
    const float fraction = static_cast<float>(position) / 1000.0f;
    double duration = 0;
    PlayerModule_Pause();
    PlayerModule_SetPos(fraction);
    PlayerModule_GetDuration(&duration);
    ClipPosition = static_cast<int>(fraction * duration);
    PlayerModule_Start();
}

void CClipDialog::OnSetBeginTime()
{
    m_slider->SetMarks(m_slider->GetPos(), m_slider->EndMark());
    m_slider->SetMarkMode(CBitmapSlider::FromBegin);
    const int length = Duration();
    SetText(IDC_CLIP_BEGIN_TEXT, ClipPosition);
    SetText(IDC_CLIP_END_TEXT, length);
    SetText(IDC_CLIP_CUT_TEXT, length - ClipPosition);
}

void CClipDialog::OnSetEndTime()
{
    const int begin = ParseTime(Text(IDC_CLIP_BEGIN_TEXT));
    const int position = ClipPosition;
    if (position > begin) {
        m_slider->SetMarks(m_slider->BeginMark(), m_slider->GetPos());
        SetText(IDC_CLIP_END_TEXT, position);
        SetText(IDC_CLIP_CUT_TEXT, position - begin);
    } else {
        // Marked before the begin: the two swap, so the range drawn is the range written.
        m_slider->SetMarks(m_slider->GetPos(), m_slider->BeginMark());
        SetText(IDC_CLIP_BEGIN_TEXT, position);
        SetText(IDC_CLIP_END_TEXT, begin);
        SetText(IDC_CLIP_CUT_TEXT, begin - position);
    }
    m_slider->SetMarkMode(CBitmapSlider::BetweenMarks);
}

void CClipDialog::OnReset()
{
    m_slider->SetMarks(0, 0);
    m_slider->SetMarkMode(CBitmapSlider::NoMarks);
    const int length = Duration();
    SetText(IDC_CLIP_BEGIN_TEXT, 0);
    SetText(IDC_CLIP_END_TEXT, length);
    SetText(IDC_CLIP_CUT_TEXT, length);
}

void CClipDialog::OnOK()
{
    m_tasks.SetItemText(ClipTaskIndex, 1, Text(IDC_CLIP_BEGIN_TEXT));
    m_tasks.SetItemText(ClipTaskIndex, 2, Text(IDC_CLIP_END_TEXT));
    accept();
}

void CClipDialog::done(int result)
{
    if (m_open) {
        m_open = false;
        OnStop();
        m_timers.Kill(kPlayerPositionTimer);
        m_timers.Kill(kPlayerFrameTimer);
        PlayerModule_Close();
        m_picture->ReleaseFrameBuffer();
        ReleasePlayer(this);
        if (m_handBack)
            m_handBack();
    }
    QDialog::done(result);
}

void CClipDialog::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(rect(), SkinPixmap(kBackground));
}

} // namespace zentrova
