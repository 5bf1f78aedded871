// A text that behaves as a web link: link, visited and hover colours, underline, hand cursor,
// the address as tooltip, and opening the address through the desktop on a click.
#pragma once

#include <QColor>
#include <QLabel>

namespace zentrova {

class CHyperLink : public QLabel {
    Q_OBJECT
public:
    enum Underline { UnderlineHover = -1, UnderlineNever = 0, UnderlineAlways = 1 };

    // `text` is what the link shows; without an address the text is the address.
    explicit CHyperLink(const QString &text = QString(), QWidget *parent = nullptr);

    void SetURL(const QString &address);
    QString GetURL() const { return m_url; }
    void SetUnderline(Underline mode);
    Underline GetUnderline() const { return m_underline; }
    void SetColours(const QColor &link, const QColor &visited, const QColor &hover);

    bool IsVisited() const { return m_visited; }
    bool IsOver() const { return m_over; }
    // The colour the text is drawn in now.
    QColor CurrentColour() const;

    // Opens the address; on failure beeps and reports why. Returns whether it opened.
    bool Open();

    // The explanation shown for a failed opening with result `code`.
    static QString ErrorText(int code);

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void ApplyLook();
    void AdjustToFit();

    QString m_url;
    QColor m_link{0, 0, 238};
    QColor m_visitedColour{85, 26, 139};
    QColor m_hoverColour{255, 0, 0};
    Underline m_underline = UnderlineHover;
    bool m_over = false;
    bool m_visited = false;
};

} // namespace zentrova
