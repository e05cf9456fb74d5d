#include "store/NotesFile.h"

#include "platform/ProgramDir.h"
#include "store/Codepage.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace store {

namespace {

QByteArray withCrLf(QByteArray bytes)
{
    bytes.replace("\r\n", "\n");
    bytes.replace('\r', '\n');
    bytes.replace("\n", "\r\n");
    return bytes;
}

bool isAscii(const QByteArray& bytes)
{
    for (const char c : bytes) {
        if (uchar(c) >= 0x80)
            return false;
    }
    return true;
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
    QString text;
    // Chinese code page 936 text is almost never valid UTF-8, while UTF-8 text is never what the program wrote.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    if (!isAscii(bytes)) {
        text = utf8.decode(bytes);
        if (utf8.hasError())
            text = Codepage::decode(bytes);
        else if (text.startsWith(QChar::ByteOrderMark))
            text.remove(0, 1);
    } else {
        text = QString::fromLatin1(bytes);
    }
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
