// The settings dialog: lets the user refine the current profile's video and audio values within
// the lists the catalogue offers, and writes them into the output settings when accepted.
#pragma once

#include "dialogs/SettingsMemory.h"
#include "profiles/OutputSettings.h"

#include <QDialog>

#include <array>
#include <memory>

class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMouseEvent;

namespace zentrova {

struct Profile;
class WindowDrag;

// Run it as `CSettings dlg(this); dlg.exec();`: the result needs no handling, since an accepted
// dialog has already written the output settings and the dialog's memory. It opens on the
// values in effect, and OK writes only the lists the user changed.
class CSettings : public QDialog {
    Q_OBJECT

public:
    // Numeric identifiers of the controls; every control carries its own in the "controlId" property.
    enum ControlId : int {
        IdOk = 1,
        IdCancel = 2,
        IdResolution = 1063,
        IdVideoEncoder = 1064,
        IdFrameRate = 1065,
        IdVideoBitRate = 1066,
        IdSampleRate = 1067,
        IdChannels = 1068,
        IdAudioEncoder = 1069,
        IdAudioBitRate = 1070,
        IdDefault = 1072,
        IdTitle = 1134,
        IdDevices = 1135,
    };

    // Works on the process-wide output settings.
    explicit CSettings(QWidget *parent = nullptr);
    // Works on `settings`, which must outlive the dialog.
    CSettings(QWidget *parent, OutputSettings &settings);
    ~CSettings() override;

    // The control with identifier `id`, or null.
    QWidget *Control(int id) const;

public slots:
    // OK: writes the values of the lists the user changed, remembers the texts, closes.
    void accept() override;

public:
    // Loads the lists when the dialog is first shown; see OnInitDialog.
    void setVisible(bool visible) override;

protected:
    // Fills the lists from the catalogue for the current profile and selects the values the
    // output settings hold. Runs once, just before the dialog is first shown.
    virtual void OnInitDialog();

    // Hands a background drag to the window manager. Virtual so tests can observe it.
    virtual bool StartSystemMove();

    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private slots:
    // Refills sample rate, audio bit rate and channels and selects their fixed positions.
    void RebuildAudioLists();
    // "Default": selects the profile's dialog defaults; the output settings wait for OK.
    void SelectDefaults();
    // Shows which devices the selected values play on, and the values lowered to what they play.
    void UpdateDeviceLine();

private:
    void BuildControls();
    std::array<QString, SavedTextCount> DefaultTexts(const Profile &profile) const;
    void SelectTexts(const std::array<QString, SavedTextCount> &texts);
    std::array<QString, SavedTextCount> TextsInEffect() const;
    void FillAudioLists();

    OutputSettings &m_settings;
    std::unique_ptr<WindowDrag> m_drag;
    bool m_initialised = false;

    QLineEdit *m_title = nullptr;
    QLabel *m_devices = nullptr;
    // In SavedText order.
    std::array<QComboBox *, SavedTextCount> m_combos{};
    // What each list showed when the dialog opened: OK leaves the values of unchanged lists alone.
    std::array<QString, SavedTextCount> m_opened;
};

} // namespace zentrova
