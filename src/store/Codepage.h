#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace store {

// The profile files are code page 936 text. GB18030 is a superset of it, so reading through GB18030 understands
// files written on Windows and writing through it keeps every character a user can type.
class Codepage
{
public:
    Codepage() = delete;

    // Never fails: invalid or truncated sequences become replacement characters.
    static QString decode(QByteArrayView bytes);
    static QByteArray encode(const QString& text);
};

} // namespace store
