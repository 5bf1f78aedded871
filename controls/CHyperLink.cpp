// Hyperlink label.
#include "controls/CHyperLink.h"

#include "desktop/DesktopServices.h"

#include <QApplication>
#include <QFileInfo>
#include <QMouseEvent>
#include <QUrl>

namespace zentrova {

CHyperLink::CHyperLink(const QString &text, QWidget *parent)
    : QLabel(text, parent)
{
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
    if (!text.isEmpty())
        m_url = text;
    ApplyLook();
}

void CHyperLink::SetURL(const QString &address)
{
    m_url = address;
    if (text().isEmpty())
        setText(address);
    setToolTip(address);
    AdjustToFit();
}

void CHyperLink::SetUnderline(Underline mode)
{
    m_underline = mode;
    ApplyLook();
}

void CHyperLink::SetColours(const QColor &link, const QColor &visited, const QColor &hover)
{
    m_link = link;
    m_visitedColour = visited;
    m_hoverColour = hover;
    ApplyLook();
}

QColor CHyperLink::CurrentColour() const
{
    if (m_over)
        return m_hoverColour;
    return m_visited ? m_visitedColour : m_link;
}

void CHyperLink::ApplyLook()
{
    QFont f = font();
    f.setUnderline(m_underline == UnderlineAlways || (m_underline == UnderlineHover && m_over));
    setFont(f);
    QPalette p = palette();
    p.setColor(QPalette::WindowText, CurrentColour());
    setPalette(p);
    update();
}

void CHyperLink::AdjustToFit()
{
    // Measured with the underlined font, so hovering never changes the size.
    QFont f = font();
    f.setUnderline(true);
    const QSize size = QFontMetrics(f).size(Qt::TextSingleLine, text()) + QSize(2, 2);
    resize(size);
}

void CHyperLink::enterEvent(QEnterEvent *event)
{
    m_over = true;
    ApplyLook();
    QLabel::enterEvent(event);
}

void CHyperLink::leaveEvent(QEvent *event)
{
    m_over = false;
    ApplyLook();
    QLabel::leaveEvent(event);
}

void CHyperLink::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint())) {
        QLabel::mouseReleaseEvent(event);
        return;
    }
    m_over = false;
    ApplyLook();
    Open();
}

bool CHyperLink::Open()
{
    const QUrl url(m_url);
    if (url.isValid() && Desktop().OpenUrl(url)) {
        m_visited = true;
        ApplyLook();
        return true;
    }
    // The desktop gives no reason; a missing local file is the one case we can name.
    const int code = url.isLocalFile() && !QFileInfo::exists(url.toLocalFile()) ? 2 : 31;
    QApplication::beep();
    ShowMessage(window(), QStringLiteral("Unable to open hyperlink:\n\n") + ErrorText(code));
    return false;
}

QString CHyperLink::ErrorText(int code)
{
    switch (code) {
    case 0: return QStringLiteral("The operating system is out\nof memory or resources.");
    case 2: return QStringLiteral("The specified file was not found.");
    case 3: return QStringLiteral("The specified path was not found.");
    case 5: return QStringLiteral("The operating system denied\naccess to the specified file.");
    case 8: return QStringLiteral("There was not enough memory to complete the operation.");
    case 11: return QStringLiteral("The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).");
    case 26: return QStringLiteral("A sharing violation occurred. ");
    case 27: return QStringLiteral("The filename association is\nincomplete or invalid.");
    case 28: return QStringLiteral("The DDE transaction could not\nbe completed because the request timed out.");
    case 29: return QStringLiteral("The DDE transaction failed.");
    case 30: return QStringLiteral("The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed.");
    case 31: return QStringLiteral("There is no application associated\nwith the given filename extension.");
    case 32: return QStringLiteral("The specified dynamic-link library was not found.");
    default: return QStringLiteral("Unknown Error (%1) occurred.").arg(code);
    }
}

} // namespace zentrova
