// Paths between the window (QString) and the engine (the file system's bytes in a std::string).
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

} // namespace zentrova
