#pragma once

#include <QString>
#include <QStringList>

namespace bench {

// Copies the files of a laid-out program directory (everything but the executable) into an empty directory.
bool copyProgramDir(const QString& from, const QString& to, QString* error);

// Adds `count` invented contacts to the table main of the database file, in one transaction. The same count
// always gives the same contacts, and a smaller count gives the first rows of a larger one. Returns the number
// of rows the table holds afterwards, or -1 with error set.
int fillContacts(const QString& databaseFile, int count, QString* error);

// `count` distinct names invented as fillContacts invents them, for measurements that need names only. They are
// not the names of fillContacts' rows, whose other fields draw from the same dice.
QStringList inventNames(int count);

} // namespace bench
