// Build-time tool: writes the installed databases, the placeholder picture and the program's icon in pixels.
//   mkdata db OUT.mdb SCHEMA.sql [ROWS.csv TABLE]
//   mkdata placeholder OUT.bmp
//   mkdata icon IN.svg SIZE OUT.png
// Every output is written to a temporary name and renamed, so an interrupted build leaves no half file.
#include <QColor>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QSvgRenderer>
#include <QTextStream>

#include <cstdio>

namespace {

int fail(const QString& message)
{
    std::fprintf(stderr, "mkdata: %s\n", qPrintable(message));
    return 1;
}

bool runScript(QSqlDatabase& db, const QString& script, QString* error)
{
    QString statement;
    for (const QString& line : script.split(QLatin1Char('\n'))) {
        if (line.trimmed().startsWith(QLatin1String("--")))
            continue;
        statement += line + QLatin1Char('\n');
        if (line.trimmed().endsWith(QLatin1Char(';'))) {
            QSqlQuery q(db);
            if (!q.exec(statement)) {
                *error = q.lastError().text() + QLatin1String(" in: ") + statement;
                return false;
            }
            q.finish();
            statement.clear();
        }
    }
    return true;
}

int makeDatabase(const QString& out, const QString& schemaFile, const QString& csvFile, const QString& table)
{
    QFile schema(schemaFile);
    if (!schema.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1").arg(schemaFile));
    const QString tmp = out + QStringLiteral(".tmp");
    QFile::remove(tmp);
    QFile::remove(tmp + QStringLiteral("-wal"));
    QFile::remove(tmp + QStringLiteral("-shm"));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("mkdata"));
        db.setDatabaseName(tmp);
        if (!db.open())
            return fail(db.lastError().text());
        QString error;
        if (!runScript(db, QString::fromUtf8(schema.readAll()), &error))
            return fail(error);
        if (!csvFile.isEmpty()) {
            QFile csv(csvFile);
            if (!csv.open(QIODevice::ReadOnly | QIODevice::Text))
                return fail(QStringLiteral("cannot read %1").arg(csvFile));
            QTextStream in(&csv);
            const QStringList header = in.readLine().trimmed().split(QLatin1Char(','));
            QStringList quotedHeader;
            QStringList params;
            for (int i = 0; i < header.size(); ++i) {
                quotedHeader.append(QLatin1Char('"') + header.at(i) + QLatin1Char('"'));
                params.append(QStringLiteral("?"));
            }
            db.transaction();
            QSqlQuery insert(db);
            insert.prepare(QStringLiteral("insert into %1 (%2) values (%3)")
                               .arg(table, quotedHeader.join(QLatin1Char(',')), params.join(QLatin1Char(','))));
            int rows = 0;
            while (!in.atEnd()) {
                const QString line = in.readLine().trimmed();
                if (line.isEmpty())
                    continue;
                const QStringList cells = line.split(QLatin1Char(','));
                if (cells.size() != header.size())
                    return fail(QStringLiteral("bad row in %1: %2").arg(csvFile, line));
                for (int i = 0; i < cells.size(); ++i)
                    insert.bindValue(i, cells.at(i).trimmed());
                if (!insert.exec())
                    return fail(insert.lastError().text());
                ++rows;
            }
            db.commit();
            std::printf("mkdata: %d rows into %s\n", rows, qPrintable(table));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("mkdata"));
    QFile::remove(out);
    if (!QFile::rename(tmp, out))
        return fail(QStringLiteral("cannot write %1").arg(out));
    return 0;
}

int save(const QImage& image, const QString& out, const char* format)
{
    const QString tmp = out + QStringLiteral(".tmp");
    if (!image.save(tmp, format))
        return fail(QStringLiteral("cannot write %1").arg(out));
    QFile::remove(out);
    return QFile::rename(tmp, out) ? 0 : fail(QStringLiteral("cannot write %1").arg(out));
}

// A neutral head-and-shoulders silhouette, the picture shown wherever a contact has no photo.
int makePlaceholder(const QString& out)
{
    QImage image(92, 113, QImage::Format_RGB32);
    image.fill(QColor(236, 238, 241));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(172, 178, 188));
    p.drawEllipse(QRectF(28, 20, 36, 40));
    QPainterPath shoulders;
    shoulders.moveTo(8, 113);
    shoulders.cubicTo(10, 78, 30, 66, 46, 66);
    shoulders.cubicTo(62, 66, 82, 78, 84, 113);
    shoulders.closeSubpath();
    p.drawPath(shoulders);
    p.end();
    return save(image, out, "BMP");
}

// The icon drawn at one size of the desktop's icon theme (16 … 256 pixels square), transparent around it.
int makeIcon(const QString& svg, int size, const QString& out)
{
    QSvgRenderer renderer(svg);
    if (!renderer.isValid() || size < 8 || size > 1024)
        return fail(QStringLiteral("cannot draw %1 at %2 pixels").arg(svg).arg(size));
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    renderer.render(&p);
    p.end();
    return save(image, out, "PNG");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 4 && args.at(1) == QLatin1String("db"))
        return makeDatabase(args.at(2), args.at(3), args.value(4), args.value(5));
    if (args.size() == 3 && args.at(1) == QLatin1String("placeholder"))
        return makePlaceholder(args.at(2));
    if (args.size() == 5 && args.at(1) == QLatin1String("icon"))
        return makeIcon(args.at(2), args.at(3).toInt(), args.at(4));
    return fail(
        QStringLiteral("usage: mkdata db OUT SCHEMA [CSV TABLE] | mkdata placeholder OUT | mkdata icon SVG SIZE OUT"));
}
