// A report-style list with a check box in front of every row and one in the header of the
// first column. Rows are plain texts per column; the row index is the task index.
#pragma once

#include <QList>
#include <QTableWidget>

namespace zentrova {

class CCheckHeadCtrl;

class CCheckListCtrl : public QTableWidget {
    Q_OBJECT
public:
    explicit CCheckListCtrl(QWidget *parent = nullptr);
    ~CCheckListCtrl() override;

    // Puts the check box into the first column's header; does nothing the second time.
    bool InitHeaderCheckBox();
    CCheckHeadCtrl *HeadCtrl() const { return m_head; }

    // Inserts an unchecked row at `row` (clamped to the list) with `text` in column 0; returns its index.
    int InsertItem(int row, const QString &text);
    void DeleteItem(int row);
    void DeleteAllItems();
    int GetItemCount() const { return rowCount(); }

    QString GetItemText(int row, int column) const;
    void SetItemText(int row, int column, const QString &text);

    bool GetCheck(int row) const;
    void SetCheck(int row, bool checked);
    // Every row at once, as the header box does.
    void SetAllChecks(bool checked);
    int UncheckedCount() const { return m_unchecked; }

    // Selected rows in ascending order; the first is -1 when none is selected.
    QList<int> SelectedRows() const;
    int FirstSelected() const;
    void SetRowSelected(int row, bool selected);
    // Adds `row` to the selection and makes it the focused row.
    void SelectAndFocus(int row);

signals:
    // A left click anywhere on the list, rows or empty space, after the selection followed it.
    void RowClicked();
    // A right click, with the cursor's screen position.
    void RowRightClicked(const QPoint &globalPos);

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    friend class CheckItem;
    // Called by the first column's items whenever their check state really changes.
    void OnCheckChanged(bool nowChecked);
    void UpdateHeaderBox();

    CCheckHeadCtrl *m_head = nullptr;
    bool m_initialised = false;
    int m_unchecked = 0;
    bool m_bulk = false;
};

} // namespace zentrova
