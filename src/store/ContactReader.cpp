#include "store/ContactReader.h"

#include "store/Book.h"
#include "store/Connection.h"
#include "store/Dialect.h"
#include "store/Query.h"
#include "store/Statements.h"

namespace store {

namespace {
// id, the six texts, 性别, 生月, 生日: the columns of sql::ListMainNewestFirst.
constexpr int kListColumns = 1 + ContactRows::Texts + 3;
} // namespace

ContactReader::ContactReader() : m_worker(QStringLiteral("contact reader")) {}

ContactReader::~ContactReader()
{
    m_ending = true;
    // Without waiting in an event loop: the program may be ending, and nothing else should run meanwhile.
    m_worker.post([this] {
        m_rows.reset();
        m_connection.reset();
    });
}

bool ContactReader::open(QString* error)
{
    if (!m_connection) {
        // A name of its own: a connection belongs to the thread that made it, and each reader has its thread.
        static std::atomic<int> readers = 0;
        m_connection =
            std::make_unique<Connection>(QStringLiteral("main.reader%1").arg(++readers), Book::fileName());
    }
    return m_connection->open(error);
}

bool ContactReader::unchanged()
{
    qint64 now = 0;
    return m_rows && m_versionKnown && m_connection->dialect().dataVersion(m_connection->database(), &now) &&
           now == m_version;
}

bool ContactReader::readHere(Rows* rows, bool* reread, QString* error)
{
    if (!open(error))
        return false;
    if (unchanged()) {
        *rows = m_rows;
        *reread = false;
        return true;
    }
    *reread = true;
    m_rows.reset();
    const Dialect& dialect = m_connection->dialect();
    const QSqlDatabase db = m_connection->database();
    qint64 before = 0;
    const bool knownBefore = dialect.dataVersion(db, &before);
    auto fresh = std::make_shared<ContactRows>();
    const bool ok = dialect.readTexts(
        db, QString::fromUtf8(sql::ListMainNewestFirst),
        [&fresh](const QByteArrayView* values, int columns, QString* why) {
            if (columns != kListColumns) {
                *why = QStringLiteral("The table main does not have the list's columns.");
                return false;
            }
            fresh->appendRead(values);
            return true;
        },
        error);
    if (!ok)
        return false;
    // A change committed while the rows were read shows as a new version afterwards; such rows are not kept as the
    // book's, and the next caller reads again.
    qint64 after = 0;
    m_versionKnown = knownBefore && dialect.dataVersion(db, &after) && after == before;
    m_version = before;
    m_rows = std::move(fresh);
    *rows = m_rows;
    return true;
}

bool ContactReader::read(Rows* rows, QString* error, bool* reread)
{
    bool ok = false;
    bool didRead = false;
    m_worker.run([&] { ok = readHere(rows, &didRead, error); });
    if (reread)
        *reread = didRead;
    return ok;
}

void ContactReader::readAhead()
{
    m_worker.post([this] {
        QString error;
        qint64 version = 0;
        if (m_ending || !open(&error) || !m_connection->dialect().dataVersion(m_connection->database(), &version))
            return;
        Rows rows;
        bool reread = false;
        readHere(&rows, &reread, &error);
    });
}

bool ContactReader::count(int* rows, QString* error)
{
    bool ok = false;
    m_worker.run([&] {
        if (!open(error))
            return;
        if (unchanged()) {
            *rows = m_rows->size();
            ok = true;
            return;
        }
        Query q(*m_connection, sql::CountMain);
        ok = q.exec() && q.next();
        if (ok)
            *rows = q.text(0).toInt();
        else if (error)
            *error = q.errorText();
        q.finish();
    });
    return ok;
}

bool ContactReader::visit(const std::function<void(const Rows&)>& work, QString* error)
{
    bool ok = false;
    m_worker.run([&] {
        Rows rows;
        bool reread = false;
        ok = readHere(&rows, &reread, error);
        if (ok)
            work(rows);
    });
    return ok;
}

void ContactReader::whenIdle(IdleStep step)
{
    m_worker.post([this, step = std::move(step)]() mutable { idle(std::move(step)); });
}

void ContactReader::idle(IdleStep step)
{
    while (!m_ending && m_rows) {
        if (m_worker.hasQueuedWork()) {
            whenIdle(std::move(step));
            return;
        }
        if (step(m_rows))
            return;
    }
}

} // namespace store
