// Paths between the window (QString) and the engine (the file system's bytes in a std::string),
// and the window's other path rules.
#pragma once

#include <QFile>
#include <QString>

#include <string>

namespace zentrova {

inline std::string ToEngine(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

inline QString FromEngine(const std::string &path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

// The part after the last "/" as the task list shows it; the whole text when there is none.
inline QString FileNameOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.mid(slash + 1);
}

} // namespace zentrova
