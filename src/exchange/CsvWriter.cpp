#include "exchange/CsvWriter.h"

namespace exchange {

namespace {

QString cell(const QString& value)
{
    // Blank fields are stored as " "; the sheet shows them empty.
    const QString v = value.trimmed();
    return CsvWriter::quoted(CsvWriter::needsFormulaGuard(v) ? u'\'' + v : v);
}

} // namespace

const QStringList& CsvWriter::header()
{
    static const QStringList titles = {
        QStringLiteral("姓名"), QStringLiteral("性别"),     QStringLiteral("关系"), QStringLiteral("电话"),
        QStringLiteral("手机"), QStringLiteral("小灵通"),   QStringLiteral("住址"), QStringLiteral("备注"),
        QStringLiteral("生日"), QStringLiteral("登记时间"),
    };
    return titles;
}

QByteArray CsvWriter::start()
{
    return QByteArray("\xEF\xBB\xBF") + header().join(u',').toUtf8() + "\r\n";
}

bool CsvWriter::needsFormulaGuard(const QString& value)
{
    if (value.isEmpty())
        return false;
    const QChar c = value.at(0);
    // A value that itself begins with the guard is guarded again, so that reading takes off exactly one.
    return c == u'=' || c == u'+' || c == u'-' || c == u'@' || (c == u'\'' && needsFormulaGuard(value.mid(1)));
}

QString CsvWriter::quoted(const QString& value)
{
    if (!value.contains(u',') && !value.contains(u'"') && !value.contains(u'\n') && !value.contains(u'\r'))
        return value;
    QString v = value;
    v.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + v + u'"';
}

QByteArray CsvWriter::row(const Contact& c)
{
    const bool birthday = c.month > 0 && c.day > 0;
    const QStringList cells = {
        cell(c.name),       cell(c.sex),    cell(c.relation),
        cell(c.phone),      cell(c.mobile), cell(c.phs),
        cell(c.address),    cell(c.note),   birthday ? QStringLiteral("%1月%2日").arg(c.month).arg(c.day) : QString(),
        cell(c.registered),
    };
    return cells.join(u',').toUtf8() + "\r\n";
}

} // namespace exchange
