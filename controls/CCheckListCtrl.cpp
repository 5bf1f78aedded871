// Check-box list: row storage, check bookkeeping for the header box, and click signals.
#include "controls/CCheckListCtrl.h"

#include "controls/CCheckHeadCtrl.h"
#include "controls/SkinBitmap.h"

#include <QContextMenuEvent>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOption>

#include <algorithm>

namespace zentrova {

// The first cell of every row. It tells the list about real check changes, so the header box
// follows the rows without scanning all of them on every click.
class CheckItem : public QTableWidgetItem {
public:
    explicit CheckItem(const QString &text)
        : QTableWidgetItem(text)
    {
        setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        QTableWidgetItem::setData(Qt::CheckStateRole, Qt::Unchecked);
    }

    // The text may be cut in the list; its tooltip keeps all of it.
    QVariant data(int role) const override
    {
        if (role == Qt::ToolTipRole) {
            const QVariant own = QTableWidgetItem::data(role);
            return own.isValid() ? own : QVariant(text());
        }
        return QTableWidgetItem::data(role);
    }

    void setData(int role, const QVariant &value) override
    {
        if (role != Qt::CheckStateRole) {
            QTableWidgetItem::setData(role, value);
            return;
        }
        const bool was = checkState() == Qt::Checked;
        const bool now = value.toInt() == Qt::Checked;
        // Only checked and unchecked exist for a task.
        QTableWidgetItem::setData(role, now ? Qt::Checked : Qt::Unchecked);
        if (was != now) {
            if (auto *list = qobject_cast<CCheckListCtrl *>(tableWidget()))
                list->OnCheckChanged(now);
        }
    }
};

namespace {

// Draws the rows' check boxes with the same images as the header box.
class CheckBoxStyle : public QProxyStyle {
public:
    CheckBoxStyle()
    {
        const QPixmap strip = KeyedPixmap(SkinImage(292), qRgb(255, 0, 255));
        if (!strip.isNull()) {
            m_unchecked = strip.copy(16, 0, 16, 16);
            m_checked = strip.copy(32, 0, 16, 16);
        }
    }

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override
    {
        if (element == PE_IndicatorItemViewItemCheck && !m_checked.isNull()) {
            const QPixmap &image = (option->state & State_On) ? m_checked : m_unchecked;
            const QRect r = option->rect;
            const QRect box(r.x() + (r.width() - 16) / 2, r.y() + (r.height() - 16) / 2, 16, 16);
            // The green box would melt into the green of a selected row: a light plate keeps it apart.
            if (option->state & State_Selected) {
                painter->save();
                painter->setRenderHint(QPainter::Antialiasing);
                painter->setPen(Qt::NoPen);
                painter->setBrush(QColor(255, 255, 255, 235));
                painter->drawRoundedRect(QRectF(box).adjusted(-2, -2, 2, 2), 4, 4);
                painter->restore();
            }
            painter->drawPixmap(box.topLeft(), image);
            return;
        }
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }

    int pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override
    {
        if (metric == PM_IndicatorWidth || metric == PM_IndicatorHeight)
            return 16;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }

private:
    QPixmap m_unchecked;
    QPixmap m_checked;
};

} // namespace

CCheckListCtrl::CCheckListCtrl(QWidget *parent)
    : QTableWidget(parent)
{
    auto *style = new CheckBoxStyle;
    style->setParent(this);
    setStyle(style);
    m_head = new CCheckHeadCtrl(this);
    setHorizontalHeader(m_head);
    verticalHeader()->hide();
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    // Paths keep their start and their file name; their middle gives way.
    setTextElideMode(Qt::ElideMiddle);
    setCornerButtonEnabled(false);
    setShowGrid(true);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->setDefaultSectionSize(22);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setStretchLastSection(false);
}

CCheckListCtrl::~CCheckListCtrl() = default;

bool CCheckListCtrl::InitHeaderCheckBox()
{
    if (m_initialised)
        return true;
    m_head->SetFirstItemImage(CCheckHeadCtrl::Unchecked);
    m_initialised = true;
    return true;
}

int CCheckListCtrl::InsertItem(int row, const QString &text)
{
    row = std::clamp(row, 0, rowCount());
    insertRow(row);
    setItem(row, 0, new CheckItem(text));
    for (int c = 1; c < columnCount(); ++c) {
        auto *cell = new QTableWidgetItem;
        cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        setItem(row, c, cell);
    }
    ++m_unchecked;
    UpdateHeaderBox();
    return row;
}

void CCheckListCtrl::DeleteItem(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    if (!GetCheck(row))
        --m_unchecked;
    removeRow(row);
    UpdateHeaderBox();
}

void CCheckListCtrl::DeleteAllItems()
{
    setRowCount(0);
    m_unchecked = 0;
}

QString CCheckListCtrl::GetItemText(int row, int column) const
{
    const QTableWidgetItem *cell = item(row, column);
    return cell ? cell->text() : QString();
}

void CCheckListCtrl::SetItemText(int row, int column, const QString &text)
{
    if (QTableWidgetItem *cell = item(row, column))
        cell->setText(text);
}

bool CCheckListCtrl::GetCheck(int row) const
{
    const QTableWidgetItem *cell = item(row, 0);
    return cell && cell->checkState() == Qt::Checked;
}

void CCheckListCtrl::SetCheck(int row, bool checked)
{
    if (QTableWidgetItem *cell = item(row, 0))
        cell->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void CCheckListCtrl::SetAllChecks(bool checked)
{
    m_bulk = true;
    for (int row = 0; row < rowCount(); ++row)
        SetCheck(row, checked);
    m_bulk = false;
    UpdateHeaderBox();
}

void CCheckListCtrl::OnCheckChanged(bool nowChecked)
{
    m_unchecked += nowChecked ? -1 : 1;
    if (!m_bulk)
        UpdateHeaderBox();
}

void CCheckListCtrl::UpdateHeaderBox()
{
    // An empty list keeps whatever the box shows: there is no row to follow.
    if (!m_initialised || rowCount() == 0)
        return;
    m_head->SetFirstItemImage(m_unchecked == 0 ? CCheckHeadCtrl::Checked : CCheckHeadCtrl::Unchecked);
}

QList<int> CCheckListCtrl::SelectedRows() const
{
    QList<int> rows;
    if (!selectionModel())
        return rows;
    const QModelIndexList selected = selectionModel()->selectedRows();
    for (const QModelIndex &index : selected)
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

int CCheckListCtrl::FirstSelected() const
{
    const QList<int> rows = SelectedRows();
    return rows.isEmpty() ? -1 : rows.first();
}

void CCheckListCtrl::SetRowSelected(int row, bool selected)
{
    if (row < 0 || row >= rowCount())
        return;
    selectionModel()->select(model()->index(row, 0), (selected ? QItemSelectionModel::Select
                                                               : QItemSelectionModel::Deselect)
                                                         | QItemSelectionModel::Rows);
}

void CCheckListCtrl::SelectAndFocus(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    selectionModel()->setCurrentIndex(model()->index(row, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    scrollTo(model()->index(row, 0));
}

void CCheckListCtrl::mouseReleaseEvent(QMouseEvent *event)
{
    QTableWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        emit RowClicked();
}

void CCheckListCtrl::contextMenuEvent(QContextMenuEvent *event)
{
    emit RowRightClicked(event->globalPos());
    event->accept();
}

} // namespace zentrova
