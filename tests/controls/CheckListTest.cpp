// The check-box list and its header box.
#include "controls/CCheckHeadCtrl.h"
#include "controls/CCheckListCtrl.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace zentrova;

namespace {

struct CheckList : ::testing::Test {
    void SetUp() override
    {
        list.setColumnCount(3);
        list.resize(400, 200);
        list.InitHeaderCheckBox();
        list.show();
    }

    void AddRows(int n)
    {
        for (int i = 0; i < n; ++i)
            list.InsertItem(list.GetItemCount(), QStringLiteral("/media/file%1.mp4").arg(i));
    }

    void ClickHeader(int section)
    {
        QHeaderView *header = list.horizontalHeader();
        const QPoint at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                        header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }

    int Checked() const
    {
        int n = 0;
        for (int row = 0; row < list.GetItemCount(); ++row)
            n += list.GetCheck(row) ? 1 : 0;
        return n;
    }

    CCheckListCtrl list;
};

} // namespace

TEST_F(CheckList, HeaderBoxChecksAndUnchecksEveryRow)
{
    AddRows(3);
    EXPECT_EQ(list.HeadCtrl()->FirstItemImage(), CCheckHeadCtrl::Unchecked);
    ClickHeader(0);
    EXPECT_EQ(Checked(), 3);
    EXPECT_EQ(list.HeadCtrl()->FirstItemImage(), CCheckHeadCtrl::Checked);
    ClickHeader(0);
    EXPECT_EQ(Checked(), 0);
    EXPECT_EQ(list.HeadCtrl()->FirstItemImage(), CCheckHeadCtrl::Unchecked);
}

TEST_F(CheckList, HeaderBoxFollowsTheRows)
{
    AddRows(2);
    list.SetCheck(0, true);
    EXPECT_EQ(list.HeadCtrl()->FirstItemImage(), CCheckHeadCtrl::Unchecked);
    list.SetCheck(1, true);
    EXPECT_EQ(list.HeadCtrl()->FirstItemImage(), CCheckHeadCtrl::Checked);
    list.SetCheck(1, false);
    EXPECT_EQ(list.HeadCtrl()->FirstItemImage(), CCheckHeadCtrl::Unchecked);
    // A new row is unchecked; removing it leaves only checked rows.
    list.SetCheck(1, true);
    AddRows(1);
    EXPECT_EQ(list.HeadCtrl()->FirstItemImage(), CCheckHeadCtrl::Unchecked);
    list.DeleteItem(2);
    EXPECT_EQ(list.HeadCtrl()->FirstItemImage(), CCheckHeadCtrl::Checked);
    EXPECT_EQ(list.UncheckedCount(), 0);
}

TEST_F(CheckList, ClickingARowsBoxTogglesItAndTheHeaderFollows)
{
    AddRows(1);
    const QRect cell = list.visualRect(list.model()->index(0, 0));
    // The box sits at the start of the first cell.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(cell.left() + 10, cell.center().y()));
    EXPECT_TRUE(list.GetCheck(0));
    EXPECT_EQ(list.HeadCtrl()->FirstItemImage(), CCheckHeadCtrl::Checked);
}

TEST_F(CheckList, OtherColumnsAndAnEmptyListOnlyDoWhatTheyShould)
{
    AddRows(2);
    ClickHeader(1);
    EXPECT_EQ(Checked(), 0);
    EXPECT_EQ(list.HeadCtrl()->FirstItemImage(), CCheckHeadCtrl::Unchecked);

    list.DeleteAllItems();
    ClickHeader(0);
    EXPECT_EQ(list.HeadCtrl()->FirstItemImage(), CCheckHeadCtrl::Checked);
    ClickHeader(0);
    EXPECT_EQ(list.HeadCtrl()->FirstItemImage(), CCheckHeadCtrl::Unchecked);
}

TEST_F(CheckList, SelectionHelpersAndClickSignals)
{
    AddRows(4);
    list.SetRowSelected(3, true);
    list.SetRowSelected(1, true);
    EXPECT_EQ(list.SelectedRows(), (QList<int>{1, 3}));
    EXPECT_EQ(list.FirstSelected(), 1);
    list.SelectAndFocus(0);
    EXPECT_EQ(list.SelectedRows(), (QList<int>{0, 1, 3}));
    EXPECT_EQ(list.currentRow(), 0);
    list.SetRowSelected(1, false);
    EXPECT_EQ(list.SelectedRows(), (QList<int>{0, 3}));

    QSignalSpy clicked(&list, &CCheckListCtrl::RowClicked);
    // Empty space below the rows: a click there still counts, and clears the selection.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(100, list.viewport()->height() - 5));
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_EQ(list.FirstSelected(), -1);

    QSignalSpy right(&list, &CCheckListCtrl::RowRightClicked);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(105, 205));
    QApplication::sendEvent(list.viewport(), &menu);
    ASSERT_EQ(right.count(), 1);
    EXPECT_EQ(right.at(0).at(0).toPoint(), QPoint(105, 205));
}

TEST_F(CheckList, TextsLiveInTheirCells)
{
    AddRows(2);
    list.SetItemText(1, 2, QStringLiteral(" Ready"));
    EXPECT_EQ(list.GetItemText(1, 2), QStringLiteral(" Ready"));
    EXPECT_EQ(list.GetItemText(1, 0), QStringLiteral("/media/file1.mp4"));
    EXPECT_EQ(list.InsertItem(99, QStringLiteral("x")), 2);
    EXPECT_EQ(list.InsertItem(0, QStringLiteral("top")), 0);
    EXPECT_EQ(list.GetItemText(1, 0), QStringLiteral("/media/file0.mp4"));
}

TEST_F(CheckList, SelectedRowKeepsItsCheckBoxApartFromTheSelection)
{
    const QColor selection(0x2f, 0xa3, 0x62);
    list.setStyleSheet(QStringLiteral("QTableWidget { selection-background-color: #2fa362; selection-color: #ffffff; }"));
    AddRows(2);
    list.SetCheck(0, true);
    list.SetCheck(1, true);
    list.SetRowSelected(0, true);

    // Pixels of the check-box end of a row that stand out from the selection's green.
    auto standingOut = [&](int row) {
        const QImage shot = list.viewport()->grab().toImage();
        const QRect cell = list.visualRect(list.model()->index(row, 0));
        int count = 0;
        for (int y = cell.top(); y <= cell.bottom(); ++y) {
            for (int x = cell.left(); x < cell.left() + 28; ++x) {
                const QColor c = shot.pixelColor(x, y);
                const int distance = std::abs(c.red() - selection.red()) + std::abs(c.green() - selection.green()) +
                                     std::abs(c.blue() - selection.blue());
                count += distance > 150 ? 1 : 0;
            }
        }
        return count;
    };
    // The box's outline, not only its tick, shows on the selected row.
    EXPECT_GT(standingOut(0), 150);
}
