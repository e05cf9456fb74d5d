#include "store/BookChanges.h"

#include "store/Book.h"
#include "store/Connection.h"
#include "store/Query.h"
#include "store/ServerProbe.h"

#include <QHash>
#include <QSqlDatabase>
#include <QThread>
#include <QTimer>

#include <atomic>

namespace store {

namespace {

// The channel the book's triggers announce on; the payload is the table's name and the changing program's origin.
const QString Channel = QStringLiteral("velloran_book");

// Both tables' highest stamp: the stamps are handed out in the order of the commits, so nothing committed later
// can carry a smaller one.
const char* const ChangeMark = "select greatest(coalesce((select max(stamp) from main), 0), "
                               "coalesce((select max(stamp) from main_removed), 0))";
// The contacts stored or changed after a mark, and the names deleted after it, in the order of their stamps.
const char* const ChangesSince =
    "select 0, 姓名, 关系, 电话, 手机, 小灵通, 住址, stamp from main where stamp > :since "
    "union all select 1, 姓名, null, null, null, null, null, stamp from main_removed where stamp > :since "
    "order by 8 limit :most";

// How often the listener is looked at, and the server asked again while it is away.
constexpr int WatchInterval = 1000;

} // namespace

BookChanges::BookChanges(QObject* parent)
    : QObject(parent), m_listener(std::make_unique<Connection>(QStringLiteral("live.listen"), Book::fileName()))
{
}

BookChanges::~BookChanges()
{
    if (m_ping) {
        m_ping->wait();
        delete m_ping;
    }
    m_listener->close();
}

void BookChanges::start()
{
    if (m_started || !m_listener->isServer())
        return;
    m_started = true;
    m_watch = new QTimer(this);
    m_watch->setInterval(WatchInterval);
    connect(m_watch, &QTimer::timeout, this, &BookChanges::watch);
    m_watch->start();
    listen();
}

bool BookChanges::listen()
{
    if (!m_listener->open())
        return false;
    QSqlDriver* driver = m_listener->database().driver();
    if (!driver->subscribeToNotification(Channel)) {
        m_listener->close();
        return false;
    }
    connect(driver,
            qOverload<const QString&, QSqlDriver::NotificationSource, const QVariant&>(&QSqlDriver::notification), this,
            &BookChanges::notified);
    m_listening = true;
    return true;
}

void BookChanges::notified(const QString& name, QSqlDriver::NotificationSource, const QVariant& payload)
{
    QString table;
    if (name != Channel || !fromElsewhere(payload.toString(), &table))
        return;
    if (table == QLatin1String("main"))
        Q_EMIT contactsChanged();
    else if (table == QLatin1String("user1"))
        Q_EMIT usersChanged();
}

void BookChanges::watch()
{
    if (m_listening) {
        // libpq notices a server that went away when it reads what the server sent last; the driver then reads
        // nothing more from this connection.
        if (m_listener->isOpen())
            return;
        m_listening = false;
        m_listener->close();
    }
    if (m_ping)
        return;
    // Whether the server answers is asked away from the window, which a server out of reach would hold for the
    // whole connection timeout; only an answering server is connected to again.
    auto answered = std::make_shared<std::atomic_bool>(false);
    auto params = m_listener->server().connectionParameters();
    // The ping only asks whether the server answers. A short wait (libpq's least) keeps it from holding the end of
    // the program, which waits for it, when the network swallows the connection attempt.
    for (auto& [key, value] : params) {
        if (key == QLatin1String("connect_timeout"))
            value = QStringLiteral("2");
    }
    m_ping = QThread::create([params, answered] { *answered = ServerProbe::answers(params); });
    connect(m_ping, &QThread::finished, this, [this, answered] {
        m_ping->deleteLater();
        m_ping = nullptr;
        if (*answered && listen()) {
            Q_EMIT contactsChanged();
            Q_EMIT usersChanged();
        }
    });
    m_ping->start();
}

bool BookChanges::fromElsewhere(const QString& payload, QString* table)
{
    const qsizetype space = payload.indexOf(QLatin1Char(' '));
    *table = space < 0 ? payload : payload.left(space);
    return space < 0 || payload.mid(space + 1) != Connection::origin();
}

bool BookChanges::mark(Connection& connection, qint64* mark, QString* error)
{
    *mark = 0;
    if (!connection.isServer())
        return true;
    Query q(connection, ChangeMark);
    if (!q.exec() || !q.next()) {
        if (error)
            *error = q.errorText();
        return false;
    }
    *mark = q.value(0).toLongLong();
    return true;
}

bool BookChanges::since(Connection& connection, qint64 mark, int limit, Delta* delta, QString* error)
{
    *delta = Delta();
    delta->mark = mark;
    if (!connection.isServer()) {
        delta->complete = false;
        return true;
    }
    Query q(connection, ChangesSince);
    q.bind(QStringLiteral("since"), QString::number(mark));
    q.bind(QStringLiteral("most"), QString::number(limit + 1));
    if (!q.exec()) {
        if (error)
            *error = q.errorText();
        return false;
    }
    std::vector<Change> changes;
    while (q.next()) {
        Change c;
        c.gone = q.value(0).toInt() == 1;
        for (size_t k = 0; k < c.row.size(); ++k)
            c.row[k] = q.text(int(k) + 1);
        c.stamp = q.value(7).toLongLong();
        changes.push_back(std::move(c));
    }
    if (!q.errorText().isEmpty()) {
        if (error)
            *error = q.errorText();
        return false;
    }
    if (int(changes.size()) > limit) {
        delta->complete = false;
        return true;
    }
    *delta = fold(changes, mark);
    return true;
}

BookChanges::Delta BookChanges::fold(const std::vector<Change>& changes, qint64 mark)
{
    Delta delta;
    delta.mark = mark;
    QHash<QString, size_t> last;
    last.reserve(qsizetype(changes.size()));
    for (size_t i = 0; i < changes.size(); ++i) {
        last.insert(changes[i].row[0], i);
        delta.mark = std::max(delta.mark, changes[i].stamp);
    }
    for (size_t i = 0; i < changes.size(); ++i) {
        const Change& c = changes[i];
        if (last.value(c.row[0]) != i)
            continue;
        if (c.gone)
            delta.gone.append(c.row[0]);
        else
            delta.present.push_back(c.row);
    }
    return delta;
}

} // namespace store
