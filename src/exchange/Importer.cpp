#include "exchange/Importer.h"

#include "exchange/BlankFill.h"
#include "exchange/Contact.h"
#include "exchange/CsvReader.h"
#include "exchange/FieldMapping.h"
#include "exchange/NameRules.h"
#include "exchange/PhotoFiles.h"
#include "exchange/Statements.h"
#include "exchange/VCardReader.h"
#include "platform/Clock.h"
#include "store/Connection.h"
#include "store/PhotoStore.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

#include <new>

namespace exchange {

namespace {

const QString kNothing = QStringLiteral("没有导入任何联系人。");

// 生月 or 生日 as the book holds it: 0 for none, -1 for a value that is no number.
int birthdayPart(const QVariant& value)
{
    const QString text = value.toString().trimmed();
    if (text.isEmpty())
        return 0;
    bool ok = false;
    const int n = text.toInt(&ok);
    return ok ? n : -1;
}

// One import's transaction: the write lock, the names already taken, the photos written for it.
class Transaction {
public:
    Transaction(store::Connection& connection, ImportReport* report, Importer::Existing existing)
        : m_connection(connection), m_report(report), m_fillBlanks(existing == Importer::Existing::FillBlanks)
    {
    }
    ~Transaction() { abandon(); }

    bool begin(QString* error)
    {
        // Taking the write lock first: the names read next stay true until the commit.
        if (!m_connection.beginTransaction(error))
            return false;
        m_db = m_connection.database();
        m_open = true;
        QSqlQuery names(m_db);
        names.setForwardOnly(true);
        if (!names.exec(QString::fromUtf8(sql::SelectNames)))
            return fail(names.lastError().text(), error);
        while (names.next()) {
            const QString key = NameRules::key(names.value(1).toString().trimmed());
            if (!m_existing.contains(key))
                m_existing.insert(key, names.value(0).toLongLong());
        }
        names.finish();
        m_full = QSqlQuery(m_db);
        if (m_fillBlanks) {
            m_select = QSqlQuery(m_db);
            m_fill = QSqlQuery(m_db);
            if (!m_select.prepare(QString::fromUtf8(sql::SelectRecord)))
                return fail(m_select.lastError().text(), error);
            if (!m_fill.prepare(QString::fromUtf8(sql::FillBlanks)))
                return fail(m_fill.lastError().text(), error);
        }
        return true;
    }

    // False when the database refused the row for another reason than its name (failure() tells).
    bool store(Contact& c, int line)
    {
        const QString name = NameRules::clean(c.name);
        const QString key = NameRules::key(name);
        if (m_fillBlanks && !name.isEmpty() && !m_inFile.contains(key) && m_existing.contains(key))
            return fill(c, m_existing.value(key), key, line);
        if (name.isEmpty() || m_existing.contains(key) || m_inFile.contains(key)) {
            const auto reason = name.isEmpty()           ? ImportReport::Reason::EmptyName
                                : m_inFile.contains(key) ? ImportReport::Reason::Duplicate
                                                         : ImportReport::Reason::Exists;
            m_report->skipped.append({c.name, line, reason});
            return true;
        }
        QStringList notes = c.warnings;
        if (name != c.name)
            notes.append(QStringLiteral("姓名中的特殊字符已去掉（原为“%1”）").arg(c.name));
        c.name = name;
        photo(c, &notes);
        // The photo's bytes could not go into the book: the import fails as a whole.
        if (!m_failure.isEmpty())
            return false;
        m_batch << c.name << c.sex << c.month << c.day << c.relation << c.phone << c.mobile << c.phs << c.address
                << c.note << c.photo << c.registered;
        // Under the write lock no other copy adds a name, and the names were checked as the index compares them:
        // a row the database refuses fails the whole import, whose transaction takes back the rows before it.
        if (m_batch.size() == sql::ImportBatch * sql::InsertMainValues && !flush())
            return false;
        m_inFile.insert(key);
        ++m_report->imported;
        for (const QString& n : std::as_const(notes))
            m_report->notes.append({name, n});
        return true;
    }

    bool commit(QString* error)
    {
        if (!flush())
            return fail(m_failure, error);
        finishStatements();
        QString why;
        if (!m_connection.commit(&why))
            return fail(why, error);
        m_open = false;
        m_photos.clear();
        return true;
    }

    // Ends the transaction without storing anything and removes the photos written for it.
    void abandon()
    {
        finishStatements();
        m_batch.clear();
        if (m_open) {
            m_connection.rollback();
            m_open = false;
        }
        for (const QString& path : std::as_const(m_photos))
            QFile::remove(path);
        m_photos.clear();
    }

    QString failure() const { return m_failure; }

private:
    void finishStatements()
    {
        m_full.finish();
        m_select.finish();
        m_fill.finish();
    }

    // Fills the blank fields of the book's record of this name from the file's contact, inside the transaction.
    // False when the database refused.
    bool fill(Contact& c, qint64 id, const QString& key, int line)
    {
        m_inFile.insert(key);
        m_select.bindValue(QStringLiteral(":id"), id);
        if (!m_select.exec() || !m_select.next()) {
            m_failure = m_select.lastError().isValid() ? m_select.lastError().text()
                                                       : QStringLiteral("记录“%1”已不在数据库中").arg(c.name);
            return false;
        }
        Contact book;
        QString* texts[] = {&book.name,   &book.sex, nullptr,       nullptr,    &book.relation, &book.phone,
                            &book.mobile, &book.phs, &book.address, &book.note, &book.photo};
        for (int i = 0; i < int(std::size(texts)); ++i) {
            if (texts[i])
                *texts[i] = m_select.value(i).toString();
        }
        book.month = birthdayPart(m_select.value(2));
        book.day = birthdayPart(m_select.value(3));
        m_select.finish();

        QList<BlankFill::Field> fields = BlankFill::fillable(book, c);
        // What the mapping had to change matters only for a field that gets filled.
        QStringList notes;
        const QStringList blank = BlankFill::titles(BlankFill::blanks(book));
        for (const QString& warning : std::as_const(c.warnings)) {
            for (const QString& title : blank) {
                if (warning.startsWith(title)) {
                    notes.append(warning);
                    break;
                }
            }
        }
        // The photo by the program's photo rules, named after the record as the book spells it.
        bool wrotePhoto = false;
        if (fields.contains(BlankFill::Field::Photo)) {
            c.name = book.name;
            wrotePhoto = photo(c, &notes);
            if (!m_failure.isEmpty())
                return false;
            if (c.photo == QStringLiteral("no.bmp"))
                fields.removeAll(BlankFill::Field::Photo);
        }
        if (fields.isEmpty()) {
            m_report->skipped.append({book.name, line, ImportReport::Reason::Complete});
        } else {
            const auto value = [&fields](BlankFill::Field f, const QVariant& v) {
                return fields.contains(f) ? v : QVariant(v.metaType());
            };
            using F = BlankFill::Field;
            m_fill.bindValue(QStringLiteral(":sex"), value(F::Sex, c.sex));
            m_fill.bindValue(QStringLiteral(":month"), value(F::Birthday, c.month));
            m_fill.bindValue(QStringLiteral(":day"), value(F::Birthday, c.day));
            m_fill.bindValue(QStringLiteral(":relation"), value(F::Relation, c.relation));
            m_fill.bindValue(QStringLiteral(":phone"), value(F::Phone, c.phone));
            m_fill.bindValue(QStringLiteral(":mobile"), value(F::Mobile, c.mobile));
            m_fill.bindValue(QStringLiteral(":phs"), value(F::Phs, c.phs));
            m_fill.bindValue(QStringLiteral(":address"), value(F::Address, c.address));
            m_fill.bindValue(QStringLiteral(":note"), value(F::Note, c.note));
            m_fill.bindValue(QStringLiteral(":photo"), value(F::Photo, c.photo));
            m_fill.bindValue(QStringLiteral(":id"), id);
            if (!m_fill.exec()) {
                if (wrotePhoto)
                    QFile::remove(m_photos.takeLast());
                m_failure = m_fill.lastError().text();
                return false;
            }
            m_report->filled.append({book.name, line, BlankFill::titles(fields)});
        }
        for (const QString& n : std::as_const(notes))
            m_report->notes.append({book.name, n});
        return true;
    }

    bool fail(const QString& text, QString* error)
    {
        abandon();
        if (error)
            *error = text;
        return false;
    }

    // True when a new photo file was written for the contact.
    bool photo(Contact& c, QStringList* notes)
    {
        if (c.photoData.isEmpty())
            return false;
        const QString file = c.name + c.photoExtension;
        if (NameRules::isReservedPhotoName(c.name, c.photoExtension)) {
            notes->append(QStringLiteral("照片文件名“%1”已被系统使用，照片没有导入").arg(file));
            return false;
        }
        // A photo of that name in the book (another desktop's) is found in photo/ like one of this desktop's.
        store::PhotoStore::refresh(m_connection, file);
        switch (PhotoFiles::write(c.name, c.photoExtension, c.photoData)) {
        case PhotoFiles::Result::Written:
            m_photos.append(PhotoFiles::path(file));
            store::PhotoStore::add(m_connection, file, c.photoData, &m_failure);
            c.photo = file;
            return true;
        case PhotoFiles::Result::Reused:
            c.photo = file;
            store::PhotoStore::add(m_connection, file, c.photoData);
            return false;
        case PhotoFiles::Result::Taken:
            notes->append(QStringLiteral("photo目录中已有另一张照片“%1”，没有覆盖它，照片没有导入").arg(file));
            return false;
        case PhotoFiles::Result::Failed:
            notes->append(QStringLiteral("照片文件“%1”无法写入photo目录，照片没有导入").arg(file));
            return false;
        }
        return false;
    }

    // The rows gathered so far into one statement: a round trip to a server per batch, not per contact.
    bool flush()
    {
        const int rows = int(m_batch.size()) / sql::InsertMainValues;
        if (rows == 0)
            return true;
        const bool full = rows == sql::ImportBatch;
        QSqlQuery last(m_db);
        QSqlQuery& insert = full ? m_full : last;
        if ((!full || !m_fullPrepared) && !insert.prepare(insertRows(rows))) {
            m_failure = insert.lastError().text();
            return false;
        }
        m_fullPrepared = m_fullPrepared || full;
        for (qsizetype i = 0; i < m_batch.size(); ++i)
            insert.bindValue(int(i), m_batch.at(i));
        m_batch.clear();
        if (!insert.exec()) {
            m_failure = insert.lastError().text();
            return false;
        }
        return true;
    }

    static QString insertRows(int rows)
    {
        const QStringList marks(sql::InsertMainValues, QStringLiteral("?"));
        const QString row = QLatin1Char('(') + marks.join(QLatin1Char(',')) + QLatin1Char(')');
        return QString::fromUtf8(sql::InsertMainColumns) + QStringList(rows, row).join(QLatin1Char(','));
    }

    store::Connection& m_connection;
    ImportReport* m_report;
    QSqlDatabase m_db;
    bool m_fillBlanks;
    QSqlQuery m_full;
    bool m_fullPrepared = false;
    QVariantList m_batch;
    QSqlQuery m_select;
    QSqlQuery m_fill;
    bool m_open = false;
    // The book's names (as NameRules keys) and their records' ids.
    QHash<QString, qint64> m_existing;
    QSet<QString> m_inFile;
    QStringList m_photos;
    QString m_failure;
};

} // namespace

Importer::Importer(store::Connection& connection) : m_connection(connection) {}

bool Importer::importFile(const QString& path, ImportReport* report, QString* error)
{
    *report = ImportReport();
    const QString name = QFileInfo(path).fileName();
    const auto fail = [&](const QString& text) {
        if (error)
            *error = QStringLiteral("文件“") + name + QStringLiteral("”") + text;
        return false;
    };
    Format format;
    if (!formatFromPath(path, &format))
        return fail(QStringLiteral("不是vCard（.vcf）或CSV（.csv）文件，不能导入。"));
    // A device or a pipe would be read without end.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return fail(QStringLiteral("不是普通文件（而是设备、管道或文件夹），不能导入。"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("无法读取：") + file.errorString() + QStringLiteral("。"));
    const QString tooLarge = QStringLiteral("大于%1 MB，不能导入。").arg(MaxFileSize >> 20);
    if (file.size() > MaxFileSize)
        return fail(tooLarge);
    QString reason;
    bool fileFault = false;
    bool imported = false;
    try {
        // As large as the file, not as the limit (an allocation of the limit fails where memory is capped), and
        // bounded even if the file grew since it was measured.
        const qint64 size = file.size();
        QByteArray data = file.read(size + 1);
        if (data.size() > size && file.error() == QFileDevice::NoError)
            data += file.read(MaxFileSize + 1 - data.size());
        if (file.error() != QFileDevice::NoError)
            return fail(QStringLiteral("无法读取：") + file.errorString() + QStringLiteral("。"));
        if (data.size() > MaxFileSize)
            return fail(tooLarge);
        file.close();
        imported = run(data, format, report, &reason, &fileFault);
    } catch (const std::bad_alloc&) {
        *report = ImportReport();
        return fail(QStringLiteral("太大，内存不够用来导入它。") + kNothing);
    }
    if (imported)
        return true;
    // A fault of the file names it; a cancel or a database failure is no fault of the file.
    if (fileFault)
        return fail(reason);
    if (error)
        *error = reason;
    return false;
}

bool Importer::importData(const QByteArray& data, Format format, ImportReport* report, QString* error)
{
    bool fileFault = false;
    try {
        return run(data, format, report, error, &fileFault);
    } catch (const std::bad_alloc&) {
        *report = ImportReport();
        if (error)
            *error = QStringLiteral("内存不足。") + kNothing;
        return false;
    }
}

bool Importer::run(const QByteArray& data, Format format, ImportReport* report, QString* error, bool* fileFault)
{
    *report = ImportReport();
    const auto database = [error](const QString& text) {
        if (error)
            *error = QStringLiteral("联系人无法保存到数据库：") + text + QStringLiteral("。") + kNothing;
        return false;
    };
    Transaction transaction(m_connection, report, m_existing);
    QString why;
    if (!transaction.begin(&why))
        return database(why);

    const QDate today = platform::Clock::today();
    const CardSink sink = [&](Card& card) {
        ++report->read;
        Contact contact = FieldMapping::toContact(card, today);
        return transaction.store(contact, card.line);
    };
    ReadFault fault;
    const bool read = format == Format::VCard ? VCardReader::read(data, sink, &fault, m_progress)
                                              : CsvReader::read(data, sink, &fault, m_progress);
    if (!read) {
        transaction.abandon();
        const QString failure = transaction.failure();
        *report = ImportReport();
        report->cancelled = fault.cancelled;
        if (!failure.isEmpty())
            return database(failure);
        *fileFault = !fault.cancelled;
        if (error)
            *error = fault.cancelled ? QStringLiteral("导入已取消，") + kNothing
                                     : QStringLiteral("第%1行：%2。").arg(fault.line).arg(fault.message) + kNothing;
        return false;
    }
    if (!transaction.commit(&why)) {
        *report = ImportReport();
        return database(why);
    }
    return true;
}

} // namespace exchange
