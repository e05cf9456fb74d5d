#pragma once

#include "store/ServerSettings.h"

#include <QString>
#include <QStringList>

namespace store {

// Why a server cannot be used, as a user reads it: a Chinese sentence naming the server, then the technical text
// of libpq or the server. The probe asks libpq directly, which tells an unanswered connection from refused
// credentials and from a server that wants a password none was given for.
class ServerProbe {
public:
    ServerProbe() = delete;

    enum class Outcome { Connected, NeedsPassword, Unreachable, Refused };
    // One connection attempt as the program makes it, closed again at once. detail gets libpq's text.
    static Outcome probe(const ServerSettings& server, QString* detail);
    // Whether a server with these connection parameters answers and would take a connection (no session is
    // opened); blocks for as long as the connection timeout when it does not answer.
    static bool answers(const QList<QPair<QString, QString>>& params);

    // The sentences, each followed by the technical text on its own line when there is one.
    static QString unreachable(const ServerSettings& server, const QString& detail);
    static QString refused(const ServerSettings& server, const QString& detail);
    static QString needsPassword(const ServerSettings& server);
    static QString unencrypted(const ServerSettings& server);
    static QString missingTables(const ServerSettings& server, const QStringList& missing);
    static QString otherVersion(const ServerSettings& server, const QString& found, const QString& wanted);
    static QString restoring(const ServerSettings& server);
    // The connection broke while the program was using it: what was being done is not stored.
    static QString lost(const ServerSettings& server, const QString& detail);
    // It broke while a commit was on its way: whether that commit arrived cannot be known.
    static QString lostAtCommit(const ServerSettings& server);
    // Any other failure of a statement on the server.
    static QString failed(const ServerSettings& server, const QString& detail);
};

} // namespace store
