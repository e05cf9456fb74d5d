#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace store {

// The office server a program directory names in server.ini, section [server], with libpq's own keywords. No
// server.ini, or an empty [server], means the embedded call.mdb. Values are checked before any reaches libpq: an
// unknown keyword (a password above all) or a value that could carry a second connection option is refused.
class ServerSettings {
public:
    // The keywords server.ini may hold, in the order the data window shows them.
    static const QStringList& keywords();

    // The server.ini a program directory uses. The one place that decides where it is looked for.
    static QString iniFile(const QString& programDir);
    // Reads and checks the file. An absent file or an empty section is no server (isServer() false) and success.
    static bool load(const QString& programDir, ServerSettings* settings, QString* error);
    // Checks values given as keyword/value pairs (the data window's form, or the file's lines).
    static bool fromValues(const QList<QPair<QString, QString>>& values, ServerSettings* settings, QString* error);
    // Writes the section (empty values are left out) atomically in the program's own INI format.
    bool save(const QString& programDir, QString* error) const;

    bool isServer() const { return !m_values.isEmpty(); }
    QString value(const QString& keyword) const;
    QList<QPair<QString, QString>> values() const { return m_values; }

    // How messages name the server: its host, else its service, else this computer.
    QString displayName() const;
    // The database as messages name it (the user's name when dbname is not given, as libpq does).
    QString databaseName() const;
    // True when every host named is this computer (a Unix socket or loopback): TLS is then not asked for.
    bool isLocal() const;
    // The sslmode used: the one given, else verify-full for a host elsewhere, else none (libpq's default).
    QString effectiveSslMode() const;
    // A connection that is neither local nor encrypted must be refused after connecting, unless plain
    // connections were asked for explicitly (sslmode=disable). With a service, libpq alone knows the host.
    bool needsEncryptionCheck() const;

    // Held in memory only, for this run: a password asked for at start or typed in the data window.
    void setPassword(const QString& password) { m_password = password; }
    QString password() const { return m_password; }

    // The libpq keyword/value pairs of a connection, password and fixed options included.
    QList<QPair<QString, QString>> connectionParameters() const;
    // The same as Qt's PostgreSQL driver takes them: its connect-option string for everything that has no
    // QSqlDatabase property, each value quoted the way libpq reads it.
    QString qtConnectOptions() const;

    bool operator==(const ServerSettings& other) const
    {
        return m_values == other.m_values && m_password == other.m_password;
    }

private:
    QList<QPair<QString, QString>> m_values; // checked, in keywords() order, non-empty only
    QString m_password;
};

} // namespace store
