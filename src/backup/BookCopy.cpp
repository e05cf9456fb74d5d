#include "backup/BookCopy.h"

#include "platform/ProgramDir.h"
#include "platform/SaveFile.h"
#include "store/PhotoStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

namespace backup {

namespace {

const char* const ReadContacts =
    "select 姓名,性别,生月,生日,关系,电话,手机,小灵通,住址,备注,照片,登记时间 from main order by id";
const char* const InsertContact =
    "insert into main (姓名,性别,生月,生日,关系,电话,手机,小灵通,住址,备注,照片,登记时间) "
    "values (?,?,?,?,?,?,?,?,?,?,?,?)";
const char* const ReadUsers = "select 用户,密码,权限 from user1";
const char* const InsertUser = "insert into user1 (用户,密码,权限) values (?,?,?)";
const char* const InsertPhoto = "insert into photo (name, data) values (?, ?)";

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

// Every row of one statement into another, value for value.
bool copy(const QSqlDatabase& from, const char* read, const QSqlDatabase& to, const char* write, int* rows,
          QString* error)
{
    QSqlQuery source(from);
    source.setForwardOnly(true);
    if (!source.exec(QString::fromUtf8(read)))
        return fail(error, source.lastError().text());
    QSqlQuery target(to);
    if (!target.prepare(QString::fromUtf8(write)))
        return fail(error, target.lastError().text());
    *rows = 0;
    const int columns = source.record().count();
    while (source.next()) {
        for (int i = 0; i < columns; ++i)
            target.bindValue(i, source.value(i));
        if (!target.exec())
            return fail(error, target.lastError().text());
        ++*rows;
    }
    return !source.lastError().isValid() || fail(error, source.lastError().text());
}

} // namespace

bool BookCopy::copyRows(const QSqlDatabase& from, const QSqlDatabase& to, int* contacts, int* users, QString* error)
{
    return copy(from, ReadContacts, to, InsertContact, contacts, error) &&
           copy(from, ReadUsers, to, InsertUser, users, error);
}

bool BookCopy::insertPhotos(const QSqlDatabase& server, const QString& folder, int* photos, QString* error)
{
    QSqlQuery q(server);
    if (!q.prepare(QString::fromUtf8(InsertPhoto)))
        return fail(error, q.lastError().text());
    *photos = 0;
    for (const QString& name : photoFiles(folder)) {
        QFile file(folder + QLatin1Char('/') + name);
        if (!file.open(QIODevice::ReadOnly))
            return fail(error, QStringLiteral("%1：%2").arg(file.fileName(), file.errorString()));
        q.bindValue(0, name);
        q.bindValue(1, file.readAll());
        if (!q.exec())
            return fail(error, q.lastError().text());
        ++*photos;
    }
    return true;
}

QStringList BookCopy::photoFiles(const QString& folder)
{
    QStringList names;
    for (const QFileInfo& info : QDir(folder).entryInfoList(QDir::Files | QDir::NoSymLinks, QDir::Name)) {
        const QString name = info.fileName();
        if (name.compare(QLatin1String("no.bmp"), Qt::CaseInsensitive) == 0 ||
            name.startsWith(QLatin1String("yes."), Qt::CaseInsensitive) || name.startsWith(QLatin1Char('.')) ||
            platform::SaveFile::isTemporaryName(name) || !platform::ProgramDir::isSafeComponent(name) ||
            info.size() > store::PhotoStore::MaxBytes)
            continue;
        names.append(name);
    }
    return names;
}

} // namespace backup
