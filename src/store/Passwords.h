#pragma once

#include <QString>

namespace store {

// Passwords of table user1. New passwords are stored as salted Argon2id hashes in libsodium's string form
// ("$argon2id$v=19$m=…,t=…,p=1$salt$hash"); rows of older databases may still hold the password as plain text,
// which signs in as before until it is rewritten as a hash. Letter case counts either way.
class Passwords {
public:
    Passwords() = delete;

    // The hash to store for this password, exactly as typed (untrimmed). False only when it cannot be computed
    // (not enough memory), with the reason in *error.
    static bool hash(const QString& password, QString* stored, QString* error = nullptr);
    // True when the stored value is a well-formed Argon2id hash string. Anything else, a plain password that merely
    // starts with "$argon2id$" included, is an older plain-text password.
    static bool isHash(const QString& stored);
    // True when the typed password is the one stored: verified against a hash, compared exactly with plain text.
    static bool matches(const QString& typed, const QString& stored);

    // Tests only: new hashes at libsodium's minimum cost, so that a test computes them in a millisecond. Hashes
    // verify with the cost written into them, whatever this says.
    static void setMinimumCost(bool minimum);
};

} // namespace store
