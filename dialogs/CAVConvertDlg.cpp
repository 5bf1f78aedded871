// Progress dialog, laid out on the 8-point template grid.
#include "dialogs/CAVConvertDlg.h"

#include "controls/CLabel.h"
#include "controls/ControlLayout.h"
#include "desktop/DesktopServices.h"
#include "engine/AVConvert.h"
#include "engine/RunController.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>
#include <utility>

namespace zentrova {

namespace {

constexpr int kPictureWidth = 160;
constexpr int kPictureHeight = 120;
// How long closing waits for the worker to let go of the preview window (a task draining its
// encoders reaches the hand-over only after that), and how often it looks.
constexpr int kReleaseDeadlineMs = 750;
constexpr int kReleaseCheckMs = 10;
bool IsX11()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

// A static text of the template: our fonts are taller than the template's, so the line gets
// a few pixels more and never loses its descenders.
QRect TextRect(int x, int y, int w, int h)
{
    return SmallTemplateRect(x, y, w, h).adjusted(0, -2, 0, 3);
}

// A caption of the template, never cut: our fonts run wider than the template's.
QLabel *MakeCaption(QWidget *parent, const QString &text, const QRect &area)
{
    auto *caption = new QLabel(text, parent);
    caption->setGeometry(area);
    caption->resize(std::max(area.width(), caption->sizeHint().width()), area.height());
    return caption;
}

void WidenToText(QWidget *control)
{
    control->resize(std::max(control->width(), control->sizeHint().width()), control->height());
}

// What follows a caption on its line starts after the caption's text; its right edge stays.
void StartAfter(QWidget *control, const QWidget *caption)
{
    const int left = caption->geometry().right() + 5;
    if (control->x() < left)
        control->setGeometry(control->geometry().adjusted(left - control->x(), 0, 0, 0));
}

CLabel *MakeLabel(QWidget *parent, int id, const QRect &area)
{
    auto *label = new CLabel(QStringLiteral("Converting..."), parent);
    SetControlId(label, id);
    label->setGeometry(area);
    label->SetTransparent(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // A long file name gives way at its start, so the percent after it stays in sight.
    label->SetElideMode(Qt::ElideLeft);
    return label;
}

QProgressBar *MakeBar(QWidget *parent, int id, const QRect &area)
{
    auto *bar = new QProgressBar(parent);
    SetControlId(bar, id);
    bar->setGeometry(area);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    return bar;
}

} // namespace

CAVConvertDlg::CAVConvertDlg(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
{
    setWindowTitle(kApplicationTitle);
    QFont f = font();
    f.setPointSize(8);
    setFont(f);
    setFixedSize(SmallTemplateRect(0, 0, 400, 105).size());

    // The preview area: the worker's SDL picture is bound to a native window of exactly the
    // picture's size, framed by the group box, which grows just enough to hold it.
    m_previewArea = new QGroupBox(this);
    SetControlId(m_previewArea, IDC_PREVIEW_AREA);
    QRect area = SmallTemplateRect(7, 6, 106, 68);
    area.setSize(area.size().expandedTo(QSize(kPictureWidth + 4, kPictureHeight + 4)));
    m_previewArea->setGeometry(area);
    m_previewWindow = new QWidget(m_previewArea);
    m_previewWindow->setObjectName(QStringLiteral("previewWindow"));
    m_previewWindow->setGeometry((area.width() - kPictureWidth) / 2, (area.height() - kPictureHeight) / 2,
                                 kPictureWidth, kPictureHeight);
    // Only X11 knows a window by the number the worker is given; elsewhere (the offscreen
    // platform of the tests among them) the area stays an ordinary widget and nothing is drawn.
    if (IsX11())
        m_previewWindow->setAttribute(Qt::WA_NativeWindow);
    m_previewWindow->setAttribute(Qt::WA_DontCreateNativeAncestors);
    QPalette black = m_previewWindow->palette();
    black.setColor(QPalette::Window, Qt::black);
    m_previewWindow->setPalette(black);
    m_previewWindow->setAutoFillBackground(true);

    auto *currentCaption = MakeCaption(this, QStringLiteral("Current File Converting:"), TextRect(121, 9, 74, 8));
    m_currentText = MakeLabel(this, IDC_CURRENT_TEXT, TextRect(197, 9, 196, 8));
    StartAfter(m_currentText, currentCaption);
    m_currentBar = MakeBar(this, IDC_CURRENT_BAR, SmallTemplateRect(122, 22, 256, 14));

    auto *totalCaption = MakeCaption(this, QStringLiteral("Total Progress:"), TextRect(122, 47, 47, 8));
    m_totalText = MakeLabel(this, IDC_TOTAL_TEXT, TextRect(171, 47, 196, 8));
    StartAfter(m_totalText, totalCaption);
    // Both bars share their edges (the template had this one two units off).
    m_totalBar = MakeBar(this, IDC_TOTAL_BAR, SmallTemplateRect(122, 58, 256, 14));

    // Under the current bar's right end, clear of the totals line below.
    m_timeLeft = new QLabel(this);
    SetControlId(m_timeLeft, IDC_TIME_LEFT);
    m_timeLeft->setGeometry(SmallTemplateRect(278, 37, 100, 8));
    m_timeLeft->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    SetTimeLeft(-1);

    // Beside the time left, on the line between the two bars.
    m_ipodNote = new QLabel(this);
    m_ipodNote->setObjectName(QStringLiteral("ipodNote"));
    m_ipodNote->setGeometry(TextRect(122, 37, 154, 8));
    m_ipodNote->hide();

    m_showPreview = new QCheckBox(QStringLiteral("Show preview"), this);
    SetControlId(m_showPreview, IDC_SHOW_PREVIEW);
    m_showPreview->setGeometry(TextRect(7, 85, 61, 10));
    WidenToText(m_showPreview);
    connect(m_showPreview, &QCheckBox::clicked, this, &CAVConvertDlg::OnShowPreviewClicked);

    m_shutDown = new QCheckBox(QStringLiteral("Shut down computer when conversion completed"), this);
    SetControlId(m_shutDown, IDC_SHUT_DOWN);
    m_shutDown->setGeometry(TextRect(122, 81, 170, 10));
    WidenToText(m_shutDown);
    connect(m_shutDown, &QCheckBox::clicked, this, &CAVConvertDlg::ShutDownWhenDoneChanged);

    m_stop = new QPushButton(QStringLiteral("Stop"), this);
    SetControlId(m_stop, IDC_CONVERT_STOP);
    m_stop->setGeometry(SmallTemplateRect(330, 79, 50, 19));
    // The button gives way to the check box's text, within the dialog's margin.
    const int stopLeft = std::min(std::max(m_stop->x(), m_shutDown->geometry().right() + 8),
                                  width() - SmallTemplateRect(0, 0, 7, 0).width() - m_stop->width());
    m_stop->move(stopLeft, m_stop->y());
    m_stop->setToolTip(QStringLiteral("Stop converting"));
    // Enter must never press Stop, focused or not.
    m_stop->setAutoDefault(false);
    connect(m_stop, &QPushButton::clicked, this, &CAVConvertDlg::StopConverting);

    m_releaseWait.setInterval(kReleaseCheckMs);
    connect(&m_releaseWait, &QTimer::timeout, this, &CAVConvertDlg::OnReleaseWaitTick);

    installEventFilter(this);
    for (QWidget *child : findChildren<QWidget *>())
        child->installEventFilter(this);

    // The worker reads the variable while this thread may rewrite it; a variable that already
    // exists is replaced in place, which a concurrent reader survives. "0" names no window.
    if (!qEnvironmentVariableIsSet("SDL_WINDOWID"))
        qputenv("SDL_WINDOWID", "0");
}

void CAVConvertDlg::SetIpodNote(const QString &text)
{
    // A long iPod name gives way; the tooltip keeps the whole line.
    m_ipodNote->setText(m_ipodNote->fontMetrics().elidedText(text, Qt::ElideMiddle, m_ipodNote->width()));
    m_ipodNote->setToolTip(text);
    m_ipodNote->setVisible(!text.isEmpty());
}

CAVConvertDlg::~CAVConvertDlg()
{
    ReleasePreview();
}

QWidget *CAVConvertDlg::controlById(int id) const
{
    return FindControl(this, id);
}

bool CAVConvertDlg::OnInitDialog()
{
    // A new run starts from the template's state.
    m_currentText->setText(QStringLiteral("Converting..."));
    m_totalText->setText(QStringLiteral("Converting..."));
    m_currentBar->setValue(0);
    m_totalBar->setValue(0);
    SetTimeLeft(-1);

    if (IsX11()) {
        qputenv("SDL_WINDOWID", QByteArray::number(static_cast<qulonglong>(m_previewWindow->winId())));
        if (m_job)
            m_job->Preview.Attach(PreviewTarget::NativeWindow);
    } else {
        qputenv("SDL_WINDOWID", "0");
    }

    m_showPreview->setChecked(true);
    if (m_job)
        m_job->PreviewHidden.store(false, std::memory_order_relaxed);

    m_shutDown->setChecked(false);
    emit ShutDownWhenDoneChanged(false);

    m_stop->setToolTip(QStringLiteral("Stop converting"));
    m_showPreview->setFocus();
    return true;
}

void CAVConvertDlg::StopConverting()
{
    if (IsClosing())
        return;
    emit StopRun();
    emit StopPolling();
    done(QDialog::Accepted);
}

void CAVConvertDlg::SetTimeLeft(double seconds)
{
    m_timeLeft->setText(QStringLiteral("Time left: ") + QString::fromStdString(FormatTimeLeft(seconds)));
}

void CAVConvertDlg::OnShowPreviewClicked(bool checked)
{
    if (m_job)
        m_job->PreviewHidden.store(!checked, std::memory_order_relaxed);
    // The last picture goes with the tick, not only when something covers the area.
    if (!checked)
        m_previewWindow->update();
}

bool CAVConvertDlg::ReleasePreview()
{
    return !m_job || m_job->Preview.Withdraw();
}

void CAVConvertDlg::done(int result)
{
    // X11 reports errors when a worker draws into the preview window while it is being hidden,
    // so the dialog stays up until the worker has let go. A worker that misses the deadline
    // still draws into a live window: it goes only with this dialog, after the owner has
    // joined the worker.
    if (IsClosing())
        return;
    if (ReleasePreview() || !isVisible()) {
        QDialog::done(result);
        return;
    }
    m_pendingResult = result;
    m_releaseClock.start();
    m_releaseWait.start();
}

void CAVConvertDlg::OnReleaseWaitTick()
{
    if (!ReleasePreview() && m_releaseClock.elapsed() < kReleaseDeadlineMs)
        return;
    m_releaseWait.stop();
    QDialog::done(std::exchange(m_pendingResult, -1));
}

void CAVConvertDlg::reject()
{
}

void CAVConvertDlg::closeEvent(QCloseEvent *event)
{
    event->ignore();
    if (isVisible() && !IsClosing())
        StopConverting();
}

void CAVConvertDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_currentText->StopBkFlash();
}

void CAVConvertDlg::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    m_currentText->StopBkFlash();
}

bool CAVConvertDlg::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter)
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace zentrova
