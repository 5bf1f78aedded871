// The settings dialog. Its lists come from the catalogue every time it opens, and it opens on
// the values the output settings hold, whatever was accepted for this or another profile before.
#include "dialogs/CSettings.h"

#include "controls/ControlLayout.h"
#include "controls/WindowDrag.h"
#include "desktop/DesktopServices.h"
#include "profiles/DeviceLine.h"
#include "profiles/ProfileCatalogue.h"
#include "profiles/ValueText.h"

#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QWindow>

#include <algorithm>
#include <cstdlib>
#include <span>
#include <string_view>

namespace zentrova {

namespace {

// The template is laid out in dialog units of an 8-point font. The texts use a 10-pixel
// font: the common Linux sans faces run wider than the template's, and at 11 pixels the longer
// labels and list entries would be cut off.
constexpr int kFontPixelSize = 10;
constexpr int kComboHeight = 22;
// Dialog units for the device line: three lines of the dialog font.
constexpr int kDeviceLineHeight = 30;

QString Text(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Replaces the entries; the combo is left without a selection, as a freshly filled list is.
void Fill(QComboBox *combo, std::span<const std::string_view> entries)
{
    combo->clear();
    for (std::string_view entry : entries)
        combo->addItem(Text(entry));
    combo->setCurrentIndex(-1);
}

double LeadingNumber(const QString &text)
{
    return std::strtod(text.toLatin1().constData(), nullptr);
}

// Selects the entry that reads `text`, ignoring case. A value in effect that the list does not
// offer (several profiles load a video bit rate their list lacks) is added in numeric order:
// the dialog never shows another value than the one the next run uses.
void SelectValue(QComboBox *combo, const QString &text)
{
    if (text.isEmpty()) {
        combo->setCurrentIndex(-1);
        return;
    }
    for (int i = 0; i < combo->count(); ++i) {
        if (combo->itemText(i).compare(text, Qt::CaseInsensitive) == 0) {
            combo->setCurrentIndex(i);
            return;
        }
    }
    const double value = LeadingNumber(text);
    int at = 0;
    while (at < combo->count() && LeadingNumber(combo->itemText(at)) <= value)
        ++at;
    combo->insertItem(at, text);
    combo->setCurrentIndex(at);
}

// Selects the first entry that begins with `text`, ignoring case; no match leaves no selection.
void SelectByPrefix(QComboBox *combo, const QString &text)
{
    int found = -1;
    if (!text.isEmpty()) {
        for (int i = 0; i < combo->count(); ++i) {
            if (combo->itemText(i).startsWith(text, Qt::CaseInsensitive)) {
                found = i;
                break;
            }
        }
    }
    combo->setCurrentIndex(found);
}

} // namespace

CSettings::CSettings(QWidget *parent)
    : CSettings(parent, ProcessOutputSettings())
{
}

CSettings::CSettings(QWidget *parent, OutputSettings &settings)
    : QDialog(parent)
    , m_settings(settings)
    , m_drag(std::make_unique<WindowDrag>(this, [this] { return StartSystemMove(); }))
{
    BuildControls();
}

CSettings::~CSettings() = default;

void CSettings::BuildControls()
{
    setWindowTitle(QStringLiteral("Setting"));
    QFont dialogFont = font();
    dialogFont.setPixelSize(kFontPixelSize);
    setFont(dialogFont);
    // A line under the buttons tells which devices the values play on.
    setFixedSize(DialogUnitsX(268, kSmallCharWidth), DialogUnitsY(186 + kDeviceLineHeight, kSmallCharHeight));

    // Frames first, so the controls they surround lie above them.
    auto group = [this](const char *title, QRect rect) {
        auto *box = new QGroupBox(QString::fromLatin1(title), this);
        box->setGeometry(rect);
    };
    group("Video", SmallTemplateRect(7, 20, 259, 64));
    group("Audio", SmallTemplateRect(7, 91, 259, 65));

    auto label = [this](const char *text, QRect rect) {
        auto *l = new QLabel(QString::fromLatin1(text), this);
        l->setGeometry(rect);
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return l;
    };
    label("Format Preset:", SmallTemplateRect(7, 2, 66, 19));

    m_title = new QLineEdit(this);
    SetControlId(m_title, IdTitle);
    m_title->setGeometry(SmallTemplateRect(75, 2, 184, 19));
    m_title->setReadOnly(true);
    m_title->setFocusPolicy(Qt::NoFocus);
    QPalette titlePalette = m_title->palette();
    titlePalette.setColor(QPalette::Text, QColor(255, 0, 0));
    titlePalette.setColor(QPalette::Base, titlePalette.color(QPalette::Window));
    m_title->setPalette(titlePalette);
    // The program's style sheet would paint over the palette.
    m_title->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));

    struct ComboPlace {
        int id;
        SavedText slot;
        const char *label;
        int labelX, labelWidth;
        int x, y, width;
    };
    // In the template's order, which is also the tab order. The right-hand lists share one left
    // and one right edge, a few units wider than drawn, so "2 Channel Stereo" shows in full.
    const ComboPlace places[] = {
        {IdVideoEncoder, SavedVideoEncoder, "Encoder:", 14, 42, 58, 37, 69},
        {IdVideoBitRate, SavedVideoBitRate, "Bit Rate:", 136, 45, 183, 36, 75},
        {IdResolution, SavedResolution, "Resolution:", 14, 42, 58, 60, 69},
        {IdFrameRate, SavedFrameRate, "Frame Rate:", 136, 45, 183, 60, 75},
        {IdAudioEncoder, SavedAudioEncoder, "Encoder:", 14, 44, 60, 108, 69},
        {IdAudioBitRate, SavedAudioBitRate, "Bit Rate:", 136, 45, 183, 106, 75},
        {IdSampleRate, SavedSampleRate, "Sample Rate:", 14, 44, 60, 130, 69},
        {IdChannels, SavedChannels, "Channel:", 136, 45, 183, 129, 75},
    };
    for (const ComboPlace &p : places) {
        QRect captionArea = SmallTemplateRect(p.labelX, p.y, p.labelWidth, 0);
        captionArea.setHeight(kComboHeight);
        QLabel *caption = label(p.label, captionArea);
        // Our fonts run wider than the template's: a caption that would reach its list starts
        // further left, never left of its frame's inside.
        const int textWidth = caption->sizeHint().width();
        const QRect comboArea = SmallTemplateRect(p.x, p.y, p.width, 0).adjusted(0, 0, 0, kComboHeight);
        const int frameInside = DialogUnitsX(p.labelX < 100 ? 10 : 130, kSmallCharWidth);
        const int left = std::max(frameInside, std::min(caption->x(), comboArea.x() - 4 - textWidth));
        caption->setGeometry(left, caption->y(), std::max(caption->width(), textWidth), caption->height());
        auto *combo = new QComboBox(this);
        SetControlId(combo, p.id);
        combo->setEditable(false);
        combo->setGeometry(comboArea);
        m_combos[p.slot] = combo;
    }
    connect(m_combos[SavedAudioEncoder], &QComboBox::activated, this, &CSettings::RebuildAudioLists);

    m_devices = new QLabel(this);
    SetControlId(m_devices, IdDevices);
    m_devices->setGeometry(SmallTemplateRect(7, 186, 259, kDeviceLineHeight - 2));
    m_devices->setWordWrap(true);
    m_devices->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    for (QComboBox *combo : m_combos)
        connect(combo, &QComboBox::currentIndexChanged, this, &CSettings::UpdateDeviceLine);

    auto button = [this](int id, const char *text, const char *tip, QRect rect) {
        auto *b = new QPushButton(QString::fromLatin1(text), this);
        SetControlId(b, id);
        b->setGeometry(rect);
        b->setToolTip(QString::fromLatin1(tip));
        // Enter is no dialog key here: no button may take it as its own.
        b->setAutoDefault(false);
        b->setDefault(false);
        return b;
    };
    QPushButton *defaults = button(IdDefault, "Default", "Default setting", SmallTemplateRect(7, 164, 55, 19));
    QPushButton *ok = button(IdOk, "OK", "OK", SmallTemplateRect(148, 164, 55, 19));
    QPushButton *cancel = button(IdCancel, "Cancel", "Cancel", SmallTemplateRect(211, 164, 55, 19));
    connect(defaults, &QPushButton::clicked, this, &CSettings::SelectDefaults);
    connect(ok, &QPushButton::clicked, this, &CSettings::accept);
    connect(cancel, &QPushButton::clicked, this, &CSettings::reject);
}

QWidget *CSettings::Control(int id) const
{
    return FindControl(this, id);
}

void CSettings::setVisible(bool visible)
{
    if (visible && !m_initialised) {
        m_initialised = true;
        OnInitDialog();
    }
    QDialog::setVisible(visible);
}

void CSettings::OnInitDialog()
{
    m_settings.AudioOnly = false;
    const Profile *profile = ProfileByType(m_settings.ProfileType);
    if (!profile)
        return;
    const DialogChoices &choices = profile->dialog;
    m_title->setText(Text(choices.title));

    QComboBox *videoCombos[] = {m_combos[SavedResolution], m_combos[SavedFrameRate], m_combos[SavedVideoBitRate],
                                m_combos[SavedVideoEncoder]};
    if (!profile->audioOnly) {
        Fill(m_combos[SavedResolution], choices.resolutions);
        Fill(m_combos[SavedFrameRate], choices.frameRates);
        Fill(m_combos[SavedVideoBitRate], choices.videoBitRates);
        Fill(m_combos[SavedVideoEncoder], choices.videoEncoders);
    } else {
        m_settings.AudioOnly = true;
        for (QComboBox *combo : videoCombos) {
            combo->clear();
            combo->setEnabled(false);
        }
    }
    Fill(m_combos[SavedAudioEncoder], choices.audioEncoders);
    FillAudioLists();

    const std::array<QString, SavedTextCount> texts = TextsInEffect();
    for (int i = 0; i < SavedTextCount; ++i) {
        if (m_combos[i]->isEnabled())
            SelectValue(m_combos[i], texts[i]);
        m_opened[i] = m_combos[i]->currentText();
    }
}

std::array<QString, SavedTextCount> CSettings::TextsInEffect() const
{
    const OutputSettings &s = m_settings;
    std::array<QString, SavedTextCount> texts;
    if (!s.AudioOnly) {
        texts[SavedResolution] = QString::fromStdString(ResolutionText(s.Width, s.Height));
        texts[SavedFrameRate] = QString::fromStdString(s.FrameRate);
        texts[SavedVideoBitRate] = QString::fromStdString(BitRateText(s.VideoBitRate));
        texts[SavedVideoEncoder] = QString::fromStdString(s.VideoEncoder);
    }
    texts[SavedSampleRate] = QString::fromStdString(SampleRateText(s.SampleRate));
    texts[SavedChannels] = QString::fromStdString(ChannelText(s.Channels));
    texts[SavedAudioBitRate] = QString::fromStdString(BitRateText(s.AudioBitRate));
    texts[SavedAudioEncoder] = QString::fromStdString(s.AudioEncoder);
    return texts;
}

std::array<QString, SavedTextCount> CSettings::DefaultTexts(const Profile &profile) const
{
    const DialogChoices &choices = profile.dialog;
    std::array<QString, SavedTextCount> texts;
    if (!choices.resolutions.empty())
        texts[SavedResolution] = Text(choices.resolutions.front());
    texts[SavedFrameRate] = Text(choices.defaultFrameRate);
    texts[SavedVideoBitRate] = Text(choices.defaultVideoBitRate);
    if (!choices.videoEncoders.empty())
        texts[SavedVideoEncoder] = Text(choices.videoEncoders.front());
    if (!choices.audioEncoders.empty())
        texts[SavedAudioEncoder] = Text(choices.audioEncoders.front());
    return texts;
}

void CSettings::SelectTexts(const std::array<QString, SavedTextCount> &texts)
{
    for (int i = 0; i < SavedTextCount; ++i)
        SelectByPrefix(m_combos[i], texts[i]);
}

void CSettings::FillAudioLists()
{
    // The same lists serve every audio encoder the catalogue offers.
    Fill(m_combos[SavedSampleRate], SampleRateTexts());
    Fill(m_combos[SavedAudioBitRate], AudioBitRateTexts());
    Fill(m_combos[SavedChannels], ChannelTexts());
}

void CSettings::RebuildAudioLists()
{
    if (m_combos[SavedAudioEncoder]->currentIndex() < 0)
        return;
    FillAudioLists();
    m_combos[SavedSampleRate]->setCurrentIndex(kDefaultSampleRatePos);
    m_combos[SavedAudioBitRate]->setCurrentIndex(kDefaultAudioBitRatePos);
    m_combos[SavedChannels]->setCurrentIndex(kDefaultChannelPos);
}

void CSettings::SelectDefaults()
{
    const Profile *profile = ProfileByType(m_settings.ProfileType);
    if (!profile)
        return;
    SelectTexts(DefaultTexts(*profile));
    RebuildAudioLists();
}

void CSettings::UpdateDeviceLine()
{
    OutputSettings values = m_settings;
    auto text = [this](SavedText slot) { return m_combos[slot]->currentText().toStdString(); };
    if (const auto resolution = ParseResolutionText(text(SavedResolution))) {
        values.Width = resolution->width;
        values.Height = resolution->height;
    }
    values.FrameRate = text(SavedFrameRate);
    values.VideoBitRate = ParseValueText(text(SavedVideoBitRate));
    values.VideoEncoder = text(SavedVideoEncoder);
    values.SampleRate = ParseValueText(text(SavedSampleRate));
    if (const auto channels = ParseChannelText(text(SavedChannels)))
        values.Channels = *channels;
    values.AudioBitRate = ParseValueText(text(SavedAudioBitRate));
    values.AudioEncoder = text(SavedAudioEncoder);
    m_devices->setText(QString::fromStdString(DeviceLine(values)));
}

void CSettings::accept()
{
    std::array<QString, SavedTextCount> texts;
    for (int i = 0; i < SavedTextCount; ++i)
        texts[i] = m_combos[i]->currentText();
    auto utf8 = [&texts](SavedText slot) { return texts[slot].toStdString(); };
    // A list still showing what it showed at opening leaves its value as it is, so OK alone
    // changes nothing, whatever the lists can show.
    auto changed = [&texts, this](SavedText slot) { return texts[slot] != m_opened[slot]; };

    if (changed(SavedResolution) && !texts[SavedResolution].isEmpty()) {
        if (const auto resolution = ParseResolutionText(utf8(SavedResolution))) {
            m_settings.Width = resolution->width;
            m_settings.Height = resolution->height;
        } else {
            // The size stays as it was; the other values are still taken.
            ShowMessage(this, QStringLiteral("转化失败!"));
        }
    }
    if (changed(SavedFrameRate))
        m_settings.FrameRate = utf8(SavedFrameRate);
    if (changed(SavedVideoBitRate))
        m_settings.VideoBitRate = ParseValueText(utf8(SavedVideoBitRate));
    if (changed(SavedVideoEncoder))
        m_settings.VideoEncoder = utf8(SavedVideoEncoder);
    if (changed(SavedSampleRate))
        m_settings.SampleRate = ParseValueText(utf8(SavedSampleRate));
    if (changed(SavedChannels)) {
        if (const auto channels = ParseChannelText(utf8(SavedChannels)))
            m_settings.Channels = *channels;
    }
    if (changed(SavedAudioBitRate))
        m_settings.AudioBitRate = ParseValueText(utf8(SavedAudioBitRate));
    if (changed(SavedAudioEncoder))
        m_settings.AudioEncoder = utf8(SavedAudioEncoder);

    SettingsMemory &memory = ProcessSettingsMemory();
    memory.SavedProfileType = m_settings.ProfileType;
    memory.SavedSettingsText = texts;

    done(Accepted);
}

void CSettings::keyPressEvent(QKeyEvent *event)
{
    // The focused list has had Enter first; whatever it left must not reach OK.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CSettings::mousePressEvent(QMouseEvent *event)
{
    // Presses that no control took (the surface, labels, frames, disabled lists) move the window,
    // as a press on a title bar would.
    if (event->button() == Qt::LeftButton) {
        m_drag->Press(*event);
        event->accept();
        return;
    }
    QDialog::mousePressEvent(event);
}

void CSettings::mouseMoveEvent(QMouseEvent *event)
{
    if (m_drag->Move(*event)) {
        event->accept();
        return;
    }
    QDialog::mouseMoveEvent(event);
}

void CSettings::mouseReleaseEvent(QMouseEvent *event)
{
    m_drag->Release();
    QDialog::mouseReleaseEvent(event);
}

bool CSettings::StartSystemMove()
{
    QWindow *window = windowHandle();
    return window && window->startSystemMove();
}

} // namespace zentrova
