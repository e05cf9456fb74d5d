#include "exchange/Importer.h"

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
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

namespace exchange {

namespace {

const QString kNothing = QStringLiteral("没有导入任何联系人。");

// One import's transaction: the write lock, the names already taken, the photos written for it.
class Transaction {
public:
    Transaction(store::Connection& connection, ImportReport* report) : m_connection(connection), m_report(report) {}
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
        while (names.next())
            m_existing.insert(NameRules::key(names.value(0).toString().trimmed()));
        names.finish();
        m_full = QSqlQuery(m_db);
        return true;
    }

    // False when the database refused the row for another reason than its name (failure() tells).
    bool store(Contact& c, int line)
    {
        const QString name = NameRules::clean(c.name);
        const QString key = NameRules::key(name);
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
        m_full.finish();
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
        m_full.finish();
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
        QStringList marks(sql::InsertMainValues, QStringLiteral("?"));
        const QString row = QLatin1Char('(') + marks.join(QLatin1Char(',')) + QLatin1Char(')');
        return QString::fromUtf8(sql::InsertMainColumns) + QStringList(rows, row).join(QLatin1Char(','));
    }

    store::Connection& m_connection;
    ImportReport* m_report;
    QSqlDatabase m_db;
    QSqlQuery m_full;
    bool m_fullPrepared = false;
    QVariantList m_batch;
    bool m_open = false;
    QSet<QString> m_existing;
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
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("无法读取：") + file.errorString() + QStringLiteral("。"));
    if (file.size() > MaxFileSize)
        return fail(QStringLiteral("大于256 MB，不能导入。"));
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return fail(QStringLiteral("无法读取：") + file.errorString() + QStringLiteral("。"));
    file.close();
    QString reason;
    bool fileFault = false;
    if (run(data, format, report, &reason, &fileFault))
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
    return run(data, format, report, error, &fileFault);
}

bool Importer::run(const QByteArray& data, Format format, ImportReport* report, QString* error, bool* fileFault)
{
    *report = ImportReport();
    const auto database = [error](const QString& text) {
        if (error)
            *error = QStringLiteral("联系人无法保存到数据库：") + text + QStringLiteral("。") + kNothing;
        return false;
    };
    Transaction transaction(m_connection, report);
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
