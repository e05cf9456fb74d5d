#pragma once

#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QList>
#include <QPair>
#include <vector>

namespace store {

class Connection;

// Stands in for an updatable result: open on a statement, append a new row or edit the current one, set its
// fields, post it (an INSERT, or an UPDATE by the row's key), or close to drop a pending change. It reads what
// it needs when it opens and finishes the statement at once, so no read snapshot stays open.
class Dataset {
public:
    enum class State { Closed, Browse, Append, Edit };

    // keyField identifies a row for an UPDATE ("id" for table main, "用户" for table user1).
    Dataset(const QString& table, const QString& keyField);

    void setConnection(Connection* connection) { m_connection = connection; }
    Connection* connection() const { return m_connection; }
    void setStatement(const QString& statement);
    void setStatement(const char* statement) { setStatement(QString::fromUtf8(statement)); }
    QString statement() const { return m_statement; }
    void clearStatement() { setStatement(QString()); }
    void setParameter(const QString& name, const QString& value);

    // Runs the statement. With readRows false only the column list is taken (enough to append a row).
    bool open(bool readRows = true);
    void close();
    bool isOpen() const { return m_state != State::Closed; }
    State state() const { return m_state; }

    int rowCount() const { return int(m_rows.size()); }
    bool isEmpty() const { return m_rows.empty(); }
    int currentIndex() const { return m_current; }
    void setCurrentIndex(int index);

    void append();
    bool edit();
    void cancel();
    // Stores the pending row. On failure the row stays pending; uniqueViolation() tells a duplicate key.
    // Fails on a closed dataset; true with nothing pending in Browse.
    bool post();

    QString field(const QString& name) const;
    // In edit state a field set back to the text it was read with counts as unchanged and is not written.
    void setField(const QString& name, const QString& value);
    bool hasField(const QString& name) const;
    QStringList fieldNames() const;

    QString errorText() const { return m_error; }
    bool uniqueViolation() const { return m_unique; }

    // --- An edit that another program (another desktop) may have overtaken ---
    // A field this edit changes that was changed elsewhere too since the row was read.
    struct Clash {
        QString field;
        QString theirs; // stored now
        QString mine;   // what this edit writes
    };
    // The rule: of the changed fields, those whose stored value now differs both from what was read and from what
    // this edit writes (two desktops writing the same value agree).
    static QList<Clash> clashesOf(const QSqlRecord& read, const QSqlRecord& mine, const QSqlRecord& now,
                                  const QStringList& changed);
    // The edited row as the store holds it now, read again by its key; *found false when it has been deleted.
    bool reread(QSqlRecord* now, bool* found);
    QList<Clash> clashes(const QSqlRecord& now) const;
    // What this edit started from becomes the stored value: the field is then written only when it still differs
    // (overwriting another's change knowingly), and not at all when it is set to that value.
    void rebase(const QString& field, const QString& stored);
    // A row deleted meanwhile is stored again as a new row, every field as edited; the store gives the key.
    void reappend();
    // Takes back the last successful post, whose transaction did not commit: the row is pending again, as before it.
    void unpost();

private:
    QSqlRecord* currentRecord();
    const QSqlRecord* currentRecord() const;
    // The key is the row number the store gives a new row (table main's id).
    bool numberedKey() const;

    QString m_table;
    QString m_keyField;
    Connection* m_connection = nullptr;
    QString m_statement;
    QList<QPair<QString, QString>> m_parameters;
    QSqlRecord m_columns;
    std::vector<QSqlRecord> m_rows;
    int m_current = -1;
    State m_state = State::Closed;
    QSqlRecord m_pending;
    QString m_originalKey;
    QStringList m_changed;
    QString m_error;
    bool m_unique = false;
    // What the last post changed, for unpost().
    struct Posted {
        State state = State::Closed;
        QSqlRecord pending;
        QStringList changed;
        QString originalKey;
        QSqlRecord replaced; // an edit: the row as it was read
    } m_posted;
};

} // namespace store
