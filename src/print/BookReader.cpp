#include "print/BookReader.h"

#include "exchange/NameRules.h"
#include "exchange/Statements.h"
#include "store/Ini.h"
#include "store/Query.h"
#include "store/Statements.h"
#include "tools/TitleRules.h"

#include <QSet>
#include <array>
#include <iterator>

namespace print {

namespace {

// The fields of a record, in the order contactAt() reads them.
constexpr const char* kFields[] = {"姓名", "性别",   "生月", "生日", "关系", "电话",
                                   "手机", "小灵通", "住址", "备注", "照片", "登记时间"};
using Columns = std::array<int, std::size(kFields)>;

// Where each field stands in the query's rows, looked up once: a lookup by name builds the whole record.
Columns columnsOf(const store::Query& q)
{
    Columns at{};
    for (size_t k = 0; k < at.size(); ++k)
        at[k] = q.column(QString::fromUtf8(kFields[k]));
    return at;
}

// The record the query stands on, its texts trimmed: a blank field reads as empty.
exchange::Contact contactAt(const store::Query& q, const Columns& at)
{
    const auto field = [&](size_t k) { return q.text(at[k]).trimmed(); };
    exchange::Contact c;
    c.name = field(0);
    c.sex = field(1);
    c.month = field(2).toInt();
    c.day = field(3).toInt();
    c.relation = field(4);
    c.phone = field(5);
    c.mobile = field(6);
    c.phs = field(7);
    c.address = field(8);
    c.note = field(9);
    c.photo = field(10);
    c.registered = field(11);
    return c;
}

bool failed(const store::Query& q, QString* error)
{
    if (error)
        *error = q.errorText();
    return false;
}

} // namespace

bool BookReader::read(store::Connection& connection, const QStringList* names, std::vector<Entry>* entries,
                      QString* error)
{
    entries->clear();
    QSet<QString> wanted;
    if (names) {
        wanted.reserve(names->size());
        for (const QString& n : *names)
            wanted.insert(exchange::NameRules::key(n.trimmed()));
    }
    // Every field, as the export reads them; the list sorts the rows itself.
    store::Query q(connection, exchange::sql::ExportMain);
    if (!q.exec())
        return failed(q, error);
    const Columns at = columnsOf(q);
    while (q.next()) {
        Entry e = contactAt(q, at);
        if (!names || wanted.contains(exchange::NameRules::key(e.name)))
            entries->push_back(std::move(e));
    }
    return q.errorText().isEmpty() || failed(q, error);
}

bool BookReader::readContact(store::Connection& connection, const QString& name, exchange::Contact* contact,
                             bool* found, QString* error)
{
    *found = false;
    store::Query q(connection, store::sql::SelectMainByFirst);
    q.bind(QStringLiteral("first"), name);
    if (!q.exec())
        return failed(q, error);
    if (!q.next())
        return q.errorText().isEmpty() || failed(q, error);
    *contact = contactAt(q, columnsOf(q));
    *found = true;
    return true;
}

QString BookReader::title(const QString& setIni)
{
    const QString stored = store::Ini::read(setIni, QStringLiteral("main"), QStringLiteral("title")).trimmed();
    return stored.isEmpty() ? TitleRules::defaultTitle() : stored;
}

} // namespace print
