// The task list's header with a check box in the first column: a click checks or unchecks
// every row, and the box shows whether any row is unchecked.
#pragma once

#include <QHeaderView>
#include <QPixmap>

namespace zentrova {

class CCheckListCtrl;

class CCheckHeadCtrl : public QHeaderView {
    Q_OBJECT
public:
    // Images of bitmap 292 (16 x 16 each, magenta transparent): 1 unchecked, 2 checked.
    enum Image { NoImage = 0, Unchecked = 1, Checked = 2 };

    explicit CCheckHeadCtrl(CCheckListCtrl *list);

    // Shows image `image` in the header of the first column.
    void SetFirstItemImage(int image);
    int FirstItemImage() const { return m_image; }

    // What a click on header section `section` does; only the first column reacts.
    void OnItemClicked(int section);

private:
    CCheckListCtrl *m_list;
    QPixmap m_images[3];
    int m_image = NoImage;
};

} // namespace zentrova
