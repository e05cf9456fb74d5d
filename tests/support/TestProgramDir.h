#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A fresh copy of the built program directory (databases, settings, notes, placeholder picture) in a
// temporary folder, removed again when the object goes away. When the environment names the tests' private
// PostgreSQL server (VELLORAN_TEST_SERVER, its socket folder), the directory's book lies on that server instead:
// a fresh database made from the template book, named in a server.ini, reached as the least-privileged role
// the README describes, and dropped again at the end.
class TestProgramDir {
public:
    TestProgramDir();
    ~TestProgramDir();

    bool isValid() const { return m_dir.isValid() && m_valid; }
    QString path() const { return m_dir.path(); }
    QString file(const QString& relative) const { return m_dir.path() + QLatin1Char('/') + relative; }

    // True when the suite runs against the server (the book lies there).
    static bool onServer();
    // The server's socket folder; empty when the suite runs on the embedded store.
    static QString serverSocket();
    // The database of this directory's book on the server.
    QString database() const { return m_database; }

    // Runs statements directly on the book (a separate connection as the book's owner, closed again at once).
    bool exec(const QStringList& statements) const;
    // Adds one contact; blank fields as the program stores them.
    bool addContact(const QString& name, const QString& sex = QStringLiteral("男"), int month = 0, int day = 0,
                    const QString& mobile = QStringLiteral("13012345678")) const;
    bool addUser(const QString& name, const QString& password, const QString& rights) const;
    // Creates a user the way user management does: the user1 row, the user.ini keys and the user folder.
    bool addSignInUser(const QString& name, const QString& password, const QString& rights) const;
    // Makes the book refuse an operation, as a full disk would: a trigger raising `message` before every
    // `operation` ("insert", "update" or "delete") on `table`, or only where `condition` holds (written with new.
    // or old., as both stores read it). allow() takes it away again.
    bool refuse(const QString& operation, const QString& table, const QString& message,
                const QString& condition = QString()) const;
    bool allow(const QString& table) const;
    // Every row a fixed select returns, each value as text.
    QList<QStringList> rows(const QString& select) const;
    int count(const QString& table) const;
    // The first column of the first row a fixed select returns; a null string when there is none.
    QString value(const QString& select) const;
    QByteArray read(const QString& relative) const;
    bool write(const QString& relative, const QByteArray& bytes) const;

    static QString source();

private:
    QTemporaryDir m_dir;
    QString m_database;
    bool m_valid = true;
};
