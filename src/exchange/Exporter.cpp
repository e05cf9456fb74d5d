#include "exchange/Exporter.h"

#include "exchange/Contact.h"
#include "exchange/CsvWriter.h"
#include "exchange/Format.h"
#include "exchange/NameRules.h"
#include "exchange/PhotoFiles.h"
#include "exchange/Statements.h"
#include "exchange/VCardWriter.h"
#include "platform/SaveFile.h"
#include "store/Connection.h"
#include "store/PhotoStore.h"
#include "store/Statements.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QStorageInfo>

#include <new>

namespace exchange {

namespace {

// Where a write failed, in the user's terms: the disk (its mount point) and what is left on it.
QString diskOf(const QString& path)
{
    const QString folder = QFileInfo(path).absolutePath();
    const QStorageInfo storage(folder);
    if (!storage.isValid())
        return QDir::toNativeSeparators(folder);
    const qint64 free = storage.bytesAvailable();
    return QStringLiteral("%1（剩余 %2）")
        .arg(QDir::toNativeSeparators(storage.rootPath()),
             free < (1 << 20) ? QStringLiteral("%1 KB").arg(free >> 10) : QStringLiteral("%1 MB").arg(free >> 20));
}

} // namespace

Exporter::Exporter(store::Connection& connection) : m_connection(connection) {}

bool Exporter::exportAll(const QString& path, ExportReport* report, QString* error)
{
    return run(path, nullptr, report, error);
}

bool Exporter::exportNames(const QString& path, const QStringList& names, ExportReport* report, QString* error)
{
    return run(path, &names, report, error);
}

bool Exporter::run(const QString& path, const QStringList* names, ExportReport* report, QString* error)
{
    *report = ExportReport();
    try {
        return write(path, names, report, error);
    } catch (const std::bad_alloc&) {
        *report = ExportReport();
        if (error)
            *error = QStringLiteral("内存不足，没有导出。原有的同名文件没有改变。");
        return false;
    }
}

bool Exporter::write(const QString& path, const QStringList* names, ExportReport* report, QString* error)
{
    const QString fileName = QFileInfo(path).fileName();
    const auto fail = [&](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    Format format;
    if (!formatFromPath(path, &format))
        return fail(QStringLiteral("文件“") + fileName +
                    QStringLiteral("”不是vCard（.vcf）或CSV（.csv）文件，不能导出。"));
    // Through a link too: replacing a device or a pipe with a regular file would break the system.
    const QFileInfo target(path);
    if (target.exists() && !target.isFile())
        return fail(QStringLiteral("“") + fileName +
                    QStringLiteral("”不是普通文件（而是设备、管道或文件夹），不能导出到这里。"));
    // Written beside the target and renamed over it at the end: a failure leaves no partial file and keeps the old.
    const auto unwritten = [&](const platform::SaveFile& file) {
        *report = ExportReport();
        return fail(QStringLiteral("文件“%1”没有导出：无法写入磁盘 %2：%3。原有的同名文件没有改变。")
                        .arg(fileName, diskOf(path), file.errorString()));
    };

    QSet<QString> wanted;
    if (names) {
        for (const QString& n : *names)
            wanted.insert(NameRules::key(n.trimmed()));
    }
    QString why;
    if (!m_connection.open(&why))
        return fail(QStringLiteral("联系人无法从数据库读出：") + why);
    QSqlDatabase db = m_connection.database();
    qint64 total = wanted.size();
    if (!names) {
        QSqlQuery count(db);
        if (!count.exec(QString::fromUtf8(store::sql::CountMain)) || !count.next())
            return fail(QStringLiteral("联系人无法从数据库读出：") + count.lastError().text());
        total = count.value(0).toLongLong();
    }

    platform::SaveFile file(path);
    if (!file.open())
        return unwritten(file);
    QByteArray chunk;
    if (format == Format::Csv)
        chunk = CsvWriter::start();

    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QString::fromUtf8(sql::ExportMain))) {
        file.cancel();
        return fail(QStringLiteral("联系人无法从数据库读出：") + q.lastError().text());
    }
    QSet<QString> found;
    qint64 scanned = 0;
    while (q.next()) {
        Contact c;
        c.name = q.value(0).toString();
        if (names) {
            const QString key = NameRules::key(c.name.trimmed());
            if (!wanted.contains(key) || found.contains(key))
                continue;
            found.insert(key);
        }
        if (m_progress && scanned++ % 256 == 0 && !m_progress(Stage::Exporting, report->written, total)) {
            q.finish();
            file.cancel();
            report->cancelled = true;
            return fail(QStringLiteral("导出已取消，文件没有写入。"));
        }
        c.sex = q.value(1).toString();
        c.month = q.value(2).toInt();
        c.day = q.value(3).toInt();
        c.relation = q.value(4).toString();
        c.phone = q.value(5).toString();
        c.mobile = q.value(6).toString();
        c.phs = q.value(7).toString();
        c.address = q.value(8).toString();
        c.note = q.value(9).toString();
        c.photo = q.value(10).toString();
        c.registered = q.value(11).toString();
        const bool photo =
            !c.photo.trimmed().isEmpty() && c.photo.trimmed().compare(u"no.bmp", Qt::CaseInsensitive) != 0;
        if (format == Format::VCard) {
            if (photo) {
                // A server's photo is read from its copy in photo/, brought up to date first (over a connection
                // of its own: this one is still reading the records); without the server the copy there serves.
                store::PhotoStore::refresh(store::PhotoStore::connection(), c.photo.trimmed());
                if (!PhotoFiles::read(c.photo, &c.photoData, &c.photoExtension))
                    report->notes.append({c.name, QStringLiteral("照片“%1”无法读取，没有导出").arg(c.photo)});
            }
            chunk += VCardWriter::card(c);
        } else {
            if (photo)
                report->withoutPhoto.append(c.name);
            chunk += CsvWriter::row(c);
        }
        ++report->written;
        if (chunk.size() >= (1 << 20)) {
            if (!file.write(chunk))
                return unwritten(file);
            chunk.clear();
        }
    }
    if (q.lastError().isValid()) {
        file.cancel();
        return fail(QStringLiteral("联系人无法从数据库读出：") + q.lastError().text());
    }
    q.finish();
    if (!file.write(chunk) || !file.commit())
        return unwritten(file);
    report->missing = names ? int(wanted.size() - found.size()) : 0;
    if (m_progress)
        m_progress(Stage::Exporting, report->written, total);
    return true;
}

} // namespace exchange
