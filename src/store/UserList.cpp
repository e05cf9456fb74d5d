#include "store/UserList.h"

#include "store/Connection.h"
#include "store/Ini.h"
#include "store/Query.h"
#include "store/Statements.h"

namespace store {

namespace {

const QString kUser = QStringLiteral("user");
const QString kOk = QStringLiteral("ok");
const QString kYes = QStringLiteral("yes");

bool listed(const QStringList& names, const QString& name)
{
    return names.contains(name, Qt::CaseInsensitive);
}

} // namespace

bool UserList::isKeyName(const QString& name)
{
    const QString key = name.trimmed();
    return !key.isEmpty() && key == name && !key.contains(u'=') && !key.startsWith(u';') && !key.startsWith(u'[') &&
           !key.contains(u'\n') && !key.contains(u'\r');
}

bool UserList::agree(const QString& userIni, const QStringList& stored, QString* error)
{
    const QStringList keys = Ini::keys(userIni, kUser);
    QList<QPair<QString, QString>> added;
    for (const QString& name : stored) {
        if (isKeyName(name) && !listed(keys, name))
            added.append({name, QStringLiteral("1")});
    }
    // The new names first, then the mode, then the names that went: a crash half-way leaves a list that the next
    // start completes, never user mode without users.
    if (!added.isEmpty() && !Ini::write(userIni, kUser, added, error))
        return false;
    const bool userMode = !stored.isEmpty();
    if ((Ini::read(userIni, kOk, kYes) == QLatin1String("1")) != userMode &&
        !Ini::write(userIni, kOk, kYes, userMode ? QStringLiteral("1") : QStringLiteral("0"), error))
        return false;
    for (const QString& key : keys) {
        if (!listed(stored, key) && !Ini::removeKey(userIni, kUser, key, error))
            return false;
    }
    return true;
}

bool UserList::followBook(Connection& connection, const QString& userIni, QString* error)
{
    if (!connection.isServer())
        return true;
    Query q(connection, sql::SelectUserNames);
    if (!q.exec()) {
        if (error)
            *error = q.errorText();
        return false;
    }
    QStringList stored;
    while (q.next())
        stored.append(q.text(0));
    if (!q.errorText().isEmpty()) {
        if (error)
            *error = q.errorText();
        return false;
    }
    return agree(userIni, stored, error);
}

} // namespace store
