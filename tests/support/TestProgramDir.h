#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A fresh copy of the built program directory (databases, settings, notes, placeholder picture) in a
// temporary folder, removed again when the object goes away.
class TestProgramDir {
public:
    TestProgramDir();

    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    QString file(const QString& relative) const { return m_dir.path() + QLatin1Char('/') + relative; }

    // Runs statements directly on call.mdb (a separate connection, closed again at once).
    bool exec(const QStringList& statements) const;
    // Adds one contact; blank fields as the program stores them.
    bool addContact(const QString& name, const QString& sex = QStringLiteral("男"), int month = 0, int day = 0,
                    const QString& mobile = QStringLiteral("13012345678")) const;
    bool addUser(const QString& name, const QString& password, const QString& rights) const;
    // Creates a user the way user management does: the user1 row, the user.ini keys and the user folder.
    bool addSignInUser(const QString& name, const QString& password, const QString& rights) const;
    int count(const QString& table) const;
    // The first column of the first row a fixed select returns; a null string when there is none.
    QString value(const QString& select) const;
    QByteArray read(const QString& relative) const;
    bool write(const QString& relative, const QByteArray& bytes) const;

    static QString source();

private:
    QTemporaryDir m_dir;
};
