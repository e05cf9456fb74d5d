#pragma once

#include <QObject>
#include <QSqlDriver>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>
#include <vector>

class QThread;
class QTimer;

namespace store {

class Connection;

// What the book tells a running program of changes that other programs (other desktops) make to it. A server book
// announces every change of its contacts and users, and stamps every change of a contact, so that a program can
// read just what changed since it last looked. The embedded file announces nothing: a program on it never hears of
// a change, and its list is as the last reload left it, as always.
class BookChanges : public QObject {
    Q_OBJECT
public:
    // A contact row as the record list shows it: the name and the five columns after it.
    using Row = std::array<QString, 6>;
    // One change as the book recorded it, in the order of the stamps.
    struct Change {
        bool gone = false;
        Row row;
        qint64 stamp = 0;
    };
    // What became of the contacts after a mark: each name's last state.
    struct Delta {
        QStringList gone;         // names deleted and not stored again
        std::vector<Row> present; // rows stored or changed, in the order of their last change
        qint64 mark = 0;          // the mark that covers these changes
        bool complete = true;     // false: too many to list, or the store keeps no marks; read the whole table
    };

    explicit BookChanges(QObject* parent = nullptr);
    ~BookChanges() override;

    // Starts listening to the book the program directory uses, on a connection of its own. A listener the server
    // drops is opened again as soon as the server answers, and then tells of a change: what happened meanwhile was
    // not announced. Nothing happens on the embedded file.
    void start();
    bool listening() const { return m_listening; }

    // The mark of the book as it is now, read before the whole table is: changes after it are those a later look
    // must fetch. 0 on the embedded file.
    static bool mark(Connection& connection, qint64* mark, QString* error);
    // The changes after a mark, at most `limit` of them (Delta::complete false when there are more, or when the
    // store keeps no marks).
    static bool since(Connection& connection, qint64 mark, int limit, Delta* delta, QString* error);
    // The rule: changes in the order of their stamps into each name's last state.
    static Delta fold(const std::vector<Change>& changes, qint64 mark);
    // What an announcement's payload says: the table and whether another program made the change.
    static bool fromElsewhere(const QString& payload, QString* table);

Q_SIGNALS:
    // Contacts were changed by another program, or may have been while the listener was away.
    void contactsChanged();
    void usersChanged();

private:
    bool listen();
    void notified(const QString& name, QSqlDriver::NotificationSource source, const QVariant& payload);
    void watch();

    std::unique_ptr<Connection> m_listener;
    QTimer* m_watch = nullptr;
    QThread* m_ping = nullptr;
    bool m_started = false;
    bool m_listening = false;
};

} // namespace store
