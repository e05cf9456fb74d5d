#include "store/NotesFile.h"

#include "platform/ProgramDir.h"
#include "store/Codepage.h"
#include "store/TextEncoding.h"

#include <QFile>
#include <QFileInfo>

namespace store {

namespace {

QByteArray withCrLf(QByteArray bytes)
{
    bytes.replace("\r\n", "\n");
    bytes.replace('\r', '\n');
    bytes.replace("\n", "\r\n");
    return bytes;
}

} // namespace

bool NotesFile::isSound(const QString& path)
{
    if (platform::ProgramDir::leadsOut(path))
        return false;
    const QFileInfo info(path);
    return !info.exists() || (info.isFile() && info.size() <= MaxFileSize);
}

bool NotesFile::readBytes(const QString& path, QByteArray* bytes)
{
    bytes->clear();
    if (!QFileInfo::exists(path))
        return true;
    if (!isSound(path))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // Bounded even if the file grew since it was measured.
    *bytes = file.read(MaxFileSize + 1);
    return file.error() == QFile::NoError && bytes->size() <= MaxFileSize;
}

QString NotesFile::decode(const QByteArray& bytes)
{
    QString text = TextEncoding::decode(bytes, TextEncoding::Origin::Own);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QByteArray NotesFile::encode(const QString& text)
{
    QString crlf = text;
    crlf.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return Codepage::encode(crlf);
}

bool NotesFile::sameButLineBreaks(const QByteArray& bytes, const QString& text)
{
    return withCrLf(bytes) == encode(text);
}

} // namespace store
