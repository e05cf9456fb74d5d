#include "backup/DailyBackup.h"

#include "backup/Archive.h"
#include "backup/Backup.h"
#include "backup/SnapshotFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace backup {

namespace {

// The date of a daily archive's name; invalid for any other name.
QDate dayOf(const QString& fileName)
{
    static const QRegularExpression pattern(QStringLiteral("^velloran-(\\d{8})\\.zip$"));
    const QRegularExpressionMatch m = pattern.match(fileName);
    return m.hasMatch() ? QDate::fromString(m.captured(1), QStringLiteral("yyyyMMdd")) : QDate();
}

} // namespace

QString DailyBackup::folder(const QString& programDir)
{
    return QDir(programDir).absoluteFilePath(QStringLiteral("backup"));
}

QString DailyBackup::archiveName(const QDate& day)
{
    return QStringLiteral("velloran-%1.zip").arg(day.toString(QStringLiteral("yyyyMMdd")));
}

bool DailyBackup::isDue(const QString& programDir, const QDate& today)
{
    return !QFileInfo::exists(folder(programDir) + QLatin1Char('/') + archiveName(today));
}

bool DailyBackup::run(const QString& programDir, const QDate& today, bool* written, QString* error)
{
    if (written)
        *written = false;
    const QString dir = folder(programDir);
    if (!QDir().mkpath(dir)) {
        if (error)
            *error = QStringLiteral("无法创建备份文件夹 %1。").arg(dir);
        return false;
    }
    // What a backup killed half-way left (a backup that runs removes it too, but one may not be due today).
    SnapshotFolder::removeLeftovers(dir);
    if (isDue(programDir, today)) {
        if (!Backup::write(programDir, dir + QLatin1Char('/') + archiveName(today), {}, nullptr, error))
            return false;
        if (written)
            *written = true;
    }
    prune(programDir, today);
    return true;
}

void DailyBackup::prune(const QString& programDir, const QDate& today)
{
    QList<QPair<QDate, QString>> daily;
    for (const QFileInfo& info :
         QDir(folder(programDir)).entryInfoList({QStringLiteral("velloran-*.zip")}, QDir::Files)) {
        const QDate day = dayOf(info.fileName());
        if (day.isValid())
            daily.append({day, info.filePath()});
    }
    std::sort(daily.begin(), daily.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    // Today's archive stays even when the clock was set back and newer ones exist.
    int kept = 0;
    for (const auto& [day, path] : daily) {
        if (day == today || kept < Kept) {
            ++kept;
            continue;
        }
        QFile::remove(path);
    }
}

QList<DailyBackup::Listed> DailyBackup::list(const QString& programDir)
{
    QList<Listed> out;
    for (const QFileInfo& info : QDir(folder(programDir)).entryInfoList({QStringLiteral("*.zip")}, QDir::Files)) {
        Listed l;
        if (!Archive::readSummary(info.absoluteFilePath(), &l.summary, &l.problem)) {
            l.summary.path = info.absoluteFilePath();
            l.summary.created = info.lastModified();
        }
        out.append(l);
    }
    std::sort(out.begin(), out.end(),
              [](const Listed& a, const Listed& b) { return a.summary.created > b.summary.created; });
    return out;
}

} // namespace backup
