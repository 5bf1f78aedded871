// A static text that paints itself: text colour, background brush, optional transparency and
// text or background flashing on a 500 ms timer.
#pragma once

#include <QBasicTimer>
#include <QColor>
#include <QLabel>

namespace zentrova {

class CLabel : public QLabel {
    Q_OBJECT
public:
    enum class Flash { None, Text, Background };

    explicit CLabel(QWidget *parent = nullptr);
    explicit CLabel(const QString &text, QWidget *parent = nullptr);

    CLabel &SetTextColor(const QColor &colour);
    CLabel &SetBkColor(const QColor &colour);
    CLabel &SetTransparent(bool transparent);
    CLabel &FlashText(bool on);
    CLabel &FlashBackground(bool on);
    // A single line too long for the label loses characters where `mode` says, not at the edge.
    CLabel &SetElideMode(Qt::TextElideMode mode);
    // Stops a background flash; the progress dialog calls it whenever it is shown.
    void StopBkFlash();

    QColor TextColor() const { return m_textColour; }
    QColor BkColor() const { return m_bkColour; }
    Flash FlashMode() const { return m_flash; }
    bool FlashHidden() const { return m_hiddenPhase; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void StartFlash(Flash mode, bool on);
    void Redraw();

    QColor m_textColour;
    QColor m_bkColour;
    bool m_ownBk = false;
    bool m_transparent = false;
    Qt::TextElideMode m_elide = Qt::ElideNone;
    Flash m_flash = Flash::None;
    bool m_hiddenPhase = false;
    QBasicTimer m_flashTimer;
};

} // namespace zentrova
