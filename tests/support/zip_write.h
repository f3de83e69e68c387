#pragma once
// A zip archive built in memory with libzip, for spreadsheets made by tests and fuzz targets
// (an .ods is a zip of XML texts).
#include <QByteArray>
#include <QList>
#include <QString>
#include <utility>

namespace cotavia::test {

// The entries in the order given, deflated (stored when `store`; an .ods's "mimetype" always is).
QByteArray zipArchive(const QList<std::pair<QString, QByteArray>>& entries, bool store = false);

}  // namespace cotavia::test
