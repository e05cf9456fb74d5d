#include "store/PhotoStore.h"

#include "platform/ProgramDir.h"
#include "platform/SaveFile.h"
#include "store/Book.h"
#include "store/Connection.h"
#include "store/Dialect.h"
#include "store/Query.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <memory>

namespace store {

namespace {

const char* const PhotoDigest = "select md5(data) from photo where name=:name";
const char* const PhotoBytes = "select data from photo where name=:name";
const char* const PutPhoto =
    "insert into photo (name, data) values (:name, :data) on conflict (name) do update set data = excluded.data";
const char* const AddPhoto = "insert into photo (name, data) values (:name, :data) on conflict (name) do nothing";

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

QString cachePath(const QString& file)
{
    return platform::ProgramDir::file(QStringLiteral("photo/") + file);
}

bool readFile(const QString& path, QByteArray* data)
{
    QFile f(path);
    // Only a regular file of a photo's size, read where it lies: a pipe would block, a huge file is no photo, and
    // a link out of the program directory would hand another place's file to the book.
    if (!QFileInfo(path).isFile() || platform::ProgramDir::leadsOut(path) || !f.open(QIODevice::ReadOnly) ||
        f.size() > PhotoStore::MaxBytes)
        return false;
    *data = f.readAll();
    return f.error() == QFileDevice::NoError;
}

bool usesBook(Connection& connection, const QString& file)
{
    return connection.dialect().photosInBook() && platform::ProgramDir::isSafeComponent(file) &&
           file.compare(QLatin1String("no.bmp"), Qt::CaseInsensitive) != 0;
}

struct Shared {
    std::unique_ptr<Connection> connection;
    ServerSettings book; // the book it was made for
};

Shared& shared()
{
    static Shared s;
    return s;
}

} // namespace

bool PhotoStore::refresh(Connection& connection, const QString& file, QString* error)
{
    if (!usesBook(connection, file))
        return true;
    Query digest(connection, PhotoDigest);
    digest.bind(QStringLiteral("name"), file);
    if (!digest.exec())
        return fail(error, digest.errorText());
    if (!digest.next())
        return digest.errorText().isEmpty() || fail(error, digest.errorText());
    const QString wanted = digest.text(0);
    digest.finish();
    const QString path = cachePath(file);
    QByteArray cached;
    if (readFile(path, &cached) &&
        QString::fromLatin1(QCryptographicHash::hash(cached, QCryptographicHash::Md5).toHex()) == wanted)
        return true;
    Query bytes(connection, PhotoBytes);
    bytes.bind(QStringLiteral("name"), file);
    if (!bytes.exec() || !bytes.next())
        return fail(error, bytes.errorText());
    const QByteArray data = bytes.value(0).toByteArray();
    bytes.finish();
    QDir().mkpath(QFileInfo(path).absolutePath());
    platform::SaveFile out(path);
    if (!out.open() || !out.write(data) || !out.commit())
        return fail(error, out.errorString());
    return true;
}

bool PhotoStore::put(Connection& connection, const QString& file, QString* error)
{
    if (!usesBook(connection, file))
        return true;
    QByteArray data;
    if (!readFile(cachePath(file), &data))
        return fail(error, QStringLiteral("照片文件 photo/%1 无法读取。").arg(file));
    Query q(connection, PutPhoto);
    q.bind(QStringLiteral("name"), file);
    q.bind(QStringLiteral("data"), data);
    return q.exec() || fail(error, q.errorText());
}

bool PhotoStore::add(Connection& connection, const QString& file, const QByteArray& data, QString* error)
{
    if (!usesBook(connection, file))
        return true;
    Query q(connection, AddPhoto);
    q.bind(QStringLiteral("name"), file);
    q.bind(QStringLiteral("data"), data);
    return q.exec() || fail(error, q.errorText());
}

Connection& PhotoStore::connection()
{
    Shared& s = shared();
    // A program directory naming another book (data's window after its server was changed) gets a new one.
    ServerSettings book;
    Book::current(&book);
    if (!s.connection || !(s.book == book)) {
        s.connection.reset();
        s.connection = std::make_unique<Connection>(QStringLiteral("photo.store"), Book::fileName());
        s.book = book;
    }
    return *s.connection;
}

void PhotoStore::closeConnection()
{
    shared().connection.reset();
}

} // namespace store
