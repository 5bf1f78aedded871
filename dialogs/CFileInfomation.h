// The file-information dialog: what the probe found about one source, as read-only fields the
// user can select and copy. It formats the texts it is given and probes nothing itself.
#pragma once

#include "profiles/MediaInfoFormat.h"

#include <QDialog>

class QLineEdit;

namespace zentrova {

class CFileInfomation : public QDialog {
    Q_OBJECT
public:
    explicit CFileInfomation(const MediaInfoTexts &texts, QWidget *parent = nullptr);

    // The text shown in the field with control identifier `id`.
    QString FieldText(int id) const;

private:
    QLineEdit *AddField(int id, const QString &label, int y, const std::string &value);
};

} // namespace zentrova
