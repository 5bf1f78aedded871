// About box, laid out on the 8-point template grid.
#include "dialogs/CAbout.h"

#include "controls/CHyperLink.h"
#include "controls/ControlLayout.h"
#include "controls/SkinBitmap.h"
#include "ProgramInfo.h"

#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace zentrova {

namespace {

QRect Dlu(int x, int y, int w, int h)
{
    return DialogUnitRect(x, y, w, h, 6, 13);
}

CHyperLink *MakeLink(QWidget *parent, int id, const QString &text, const QString &address, const QRect &area, int minLeft)
{
    auto *link = new CHyperLink(text, parent);
    SetControlId(link, id);
    QFont f = link->font();
    f.setPointSize(10);
    link->setFont(f);
    // Our fonts run wider than the template's: a link never starts inside its caption.
    link->move(std::max(area.x(), minLeft), area.y() - 3);
    link->SetURL(address);
    link->SetUnderline(CHyperLink::UnderlineAlways);
    return link;
}

} // namespace

CAbout::CAbout(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About"));
    QFont f = font();
    f.setPointSize(8);
    setFont(f);
    setFixedSize(Dlu(0, 0, 288, 161).size());

    auto *banner = new QLabel(this);
    banner->setPixmap(SkinPixmap(249));
    banner->move(Dlu(7, 7, 274, 53).topLeft());
    banner->resize(banner->sizeHint());

    auto *version = new QLabel(QStringLiteral("Version ") + QString::fromUtf8(kProgramVersion), this);
    SetControlId(version, 1103);
    version->setGeometry(Dlu(214, 61, 55, 8).adjusted(0, 0, 0, 4));

    auto *support = new QLabel(QStringLiteral("Support:"), this);
    auto *homepage = new QLabel(QStringLiteral("Homepage:"), this);
    const int captionWidth = std::max(Dlu(20, 75, 43, 8).width(), homepage->sizeHint().width());
    support->setGeometry(Dlu(20, 75, 43, 8).adjusted(0, 0, 0, 4));
    support->resize(captionWidth, support->height());
    homepage->setGeometry(Dlu(20, 95, 43, 8).adjusted(0, 0, 0, 4));
    homepage->resize(captionWidth, homepage->height());
    const int linksLeft = support->x() + captionWidth + 6;
    m_support = MakeLink(this, 1101, QString::fromLatin1(kSupportText), QString::fromLatin1(kSupportAddress),
                         Dlu(61, 75, 173, 8), linksLeft);
    m_homepage = MakeLink(this, 1102, QString::fromLatin1(kHomepageAddress), QString::fromLatin1(kHomepageAddress),
                          Dlu(61, 95, 152, 8), linksLeft);

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    SetControlId(ok, 1);
    ok->setGeometry(Dlu(231, 138, 50, 16));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace zentrova
