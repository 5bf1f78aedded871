// Header check box of the task list.
#include "controls/CCheckHeadCtrl.h"

#include "controls/CCheckListCtrl.h"
#include "controls/SkinBitmap.h"

#include <QAbstractItemModel>
#include <QIcon>

namespace zentrova {

CCheckHeadCtrl::CCheckHeadCtrl(CCheckListCtrl *list)
    : QHeaderView(Qt::Horizontal, list)
    , m_list(list)
{
    const QPixmap strip = KeyedPixmap(SkinImage(292), qRgb(255, 0, 255));
    for (int i = 0; i < 3; ++i)
        m_images[i] = strip.isNull() ? QPixmap() : strip.copy(i * 16, 0, 16, 16);
    setSectionsClickable(true);
    setHighlightSections(false);
    connect(this, &QHeaderView::sectionClicked, this, &CCheckHeadCtrl::OnItemClicked);
}

void CCheckHeadCtrl::SetFirstItemImage(int image)
{
    m_image = image;
    if (!model())
        return;
    const QPixmap &pixmap = m_images[(image >= 0 && image < 3) ? image : 0];
    model()->setHeaderData(0, Qt::Horizontal, image == NoImage ? QVariant() : QVariant(QIcon(pixmap)),
                           Qt::DecorationRole);
}

void CCheckHeadCtrl::OnItemClicked(int section)
{
    if (section != 0)
        return;
    const int image = m_image == Unchecked ? Checked : Unchecked;
    SetFirstItemImage(image);
    m_list->SetAllChecks(image == Checked);
}

} // namespace zentrova
