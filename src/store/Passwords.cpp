#include "store/Passwords.h"

#include <sodium.h>

namespace store {

namespace {

bool g_minimumCost = false;

// The interactive limits (2 passes over 64 MiB) take about 0.2 s on a 2-core desktop: unnoticed at a sign-in, and every guess
// at a stolen call.mdb costs the same.
unsigned long long opsLimit()
{
    return g_minimumCost ? crypto_pwhash_OPSLIMIT_MIN : crypto_pwhash_OPSLIMIT_INTERACTIVE;
}

size_t memLimit()
{
    return g_minimumCost ? crypto_pwhash_MEMLIMIT_MIN : crypto_pwhash_MEMLIMIT_INTERACTIVE;
}

bool ready()
{
    static const bool initialised = sodium_init() >= 0;
    return initialised;
}

// The stored value as the zero-terminated buffer libsodium reads; false when it cannot be a hash string.
bool toHashText(const QString& stored, char (&text)[crypto_pwhash_STRBYTES])
{
    if (stored.size() >= qsizetype(crypto_pwhash_STRBYTES))
        return false;
    for (qsizetype i = 0; i < stored.size(); ++i) {
        const char16_t c = stored.at(i).unicode();
        if (c == 0 || c > 0x7e)
            return false;
        text[i] = char(c);
    }
    return true;
}

} // namespace

bool Passwords::hash(const QString& password, QString* stored, QString* error)
{
    char out[crypto_pwhash_STRBYTES];
    const QByteArray bytes = password.toUtf8();
    if (!ready() || crypto_pwhash_str(out, bytes.constData(), static_cast<unsigned long long>(bytes.size()),
                                      opsLimit(), memLimit())
            != 0) {
        if (error)
            *error = QStringLiteral("The password hash could not be computed (out of memory).");
        return false;
    }
    *stored = QString::fromLatin1(out);
    return true;
}

bool Passwords::isHash(const QString& stored)
{
    if (!stored.startsWith(QLatin1String(crypto_pwhash_argon2id_STRPREFIX)))
        return false;
    char text[crypto_pwhash_STRBYTES] = {};
    if (!ready() || !toHashText(stored, text))
        return false;
    // -1 means the string does not parse as a hash at all; 0 and 1 only say whether its cost is today's.
    return crypto_pwhash_argon2id_str_needs_rehash(text, opsLimit(), memLimit()) != -1;
}

bool Passwords::matches(const QString& typed, const QString& stored)
{
    if (!isHash(stored))
        return typed == stored;
    char text[crypto_pwhash_STRBYTES] = {};
    toHashText(stored, text);
    const QByteArray bytes = typed.toUtf8();
    return crypto_pwhash_str_verify(text, bytes.constData(),
                                    static_cast<unsigned long long>(bytes.size()))
        == 0;
}

void Passwords::setMinimumCost(bool minimum)
{
    g_minimumCost = minimum;
}

} // namespace store
