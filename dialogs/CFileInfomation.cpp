// File-information dialog, laid out on the 8-point template grid.
#include "dialogs/CFileInfomation.h"

#include "controls/ControlLayout.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace zentrova {

namespace {

} // namespace

CFileInfomation::CFileInfomation(const MediaInfoTexts &texts, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("File Information"));
    QFont f = font();
    f.setPointSize(8);
    setFont(f);
    // A few pixels below the template's, so the styled OK button clears the Audio frame.
    setFixedSize(SmallTemplateRect(0, 0, 225, 219).size() + QSize(0, 8));

    auto *video = new QGroupBox(QStringLiteral("Video"), this);
    video->setGeometry(SmallTemplateRect(9, 54, 209, 70));
    auto *audio = new QGroupBox(QStringLiteral("Audio"), this);
    audio->setGeometry(SmallTemplateRect(9, 129, 209, 69));

    const MediaInfoFields shown = FormatMediaInfo(texts);
    AddField(1075, QStringLiteral("File Name:"), 12, shown.fileName);
    AddField(1004, QStringLiteral("Media Length:"), 35, shown.mediaLength);
    AddField(1005, QStringLiteral("Resolution:"), 63, shown.resolution);
    AddField(1007, QStringLiteral("Frame Rate:"), 83, shown.frameRate);
    AddField(1006, QStringLiteral("Bit Rate:"), 105, shown.videoBitRate);
    AddField(1122, QStringLiteral("Bit Rate:"), 138, shown.audioBitRate);
    AddField(1123, QStringLiteral("Samples:"), 157, shown.samples);
    AddField(1124, QStringLiteral("Channel:"), 177, shown.channel);

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    SetControlId(ok, 1106);
    ok->setGeometry(SmallTemplateRect(170, 200, 50, 17).translated(0, 4));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

QLineEdit *CFileInfomation::AddField(int id, const QString &label, int y, const std::string &value)
{
    // Our fonts run wider than the template's: the fields start after the widest label and
    // keep their right edge.
    const QRect area = SmallTemplateRect(59, y, 154, 14);
    const int labelsEnd = SmallTemplateRect(13, 0, 0, 0).x() + fontMetrics().horizontalAdvance(QStringLiteral("Media Length:")) + 6;
    const int left = std::max(area.x(), labelsEnd);
    auto *caption = new QLabel(label, this);
    caption->setGeometry(SmallTemplateRect(13, y, 0, 14).x(), area.y(), left - SmallTemplateRect(13, 0, 0, 0).x() - 4, area.height());
    auto *field = new QLineEdit(QString::fromStdString(value), this);
    field->setReadOnly(true);
    field->setGeometry(left, area.y(), area.right() + 1 - left, area.height());
    field->setCursorPosition(0);
    SetControlId(field, id);
    return field;
}

QString CFileInfomation::FieldText(int id) const
{
    const auto *field = qobject_cast<const QLineEdit *>(FindControl(this, id));
    return field ? field->text() : QString();
}

} // namespace zentrova
