#include "backup/Manifest.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace backup {

namespace {
const QString kFormat = QStringLiteral("velloran-backup");
constexpr int kFormatVersion = 1;
// JSON numbers are doubles: above 2^53 they are no longer exact, and far beyond any file.
constexpr double kLargestSize = 9007199254740992.0;

// A whole number in [0, max], as JSON holds it; false for anything else, without converting it.
bool wholeNumber(const QJsonValue& value, double max, qint64* out)
{
    if (!value.isDouble())
        return false;
    const double d = value.toDouble();
    if (!(d >= 0 && d <= max) || std::floor(d) != d)
        return false;
    *out = qint64(d);
    return true;
}
} // namespace

QByteArray Manifest::toJson() const
{
    QJsonArray list;
    for (const ManifestEntry& e : entries) {
        QJsonObject o{{QStringLiteral("path"), e.path},
                      {QStringLiteral("type"), e.directory ? QStringLiteral("dir") : QStringLiteral("file")}};
        if (!e.directory) {
            o.insert(QStringLiteral("size"), double(e.size));
            o.insert(QStringLiteral("sha256"), QString::fromLatin1(e.sha256));
        }
        if (e.mode >= 0)
            o.insert(QStringLiteral("mode"), e.mode);
        list.append(o);
    }
    const QJsonObject root{{QStringLiteral("format"), kFormat},
                           {QStringLiteral("formatVersion"), kFormatVersion},
                           {QStringLiteral("programVersion"), programVersion},
                           {QStringLiteral("created"), created.toString(Qt::ISODate)},
                           {QStringLiteral("contacts"), contacts},
                           {QStringLiteral("entries"), list}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool Manifest::fromJson(const QByteArray& json, Manifest* manifest, QString* error)
{
    const auto fail = [error](const QString& why) {
        if (error)
            *error = QStringLiteral("备份清单无法读取（%1）。").arg(why);
        return false;
    };
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parse);
    if (doc.isNull() || !doc.isObject())
        return fail(parse.errorString());
    const QJsonObject root = doc.object();
    if (root.value(QStringLiteral("format")).toString() != kFormat)
        return fail(QStringLiteral("不是本程序的备份清单"));
    if (root.value(QStringLiteral("formatVersion")).toInt() != kFormatVersion)
        return fail(QStringLiteral("清单格式 %1 不受支持").arg(root.value(QStringLiteral("formatVersion")).toInt()));
    Manifest m;
    m.programVersion = root.value(QStringLiteral("programVersion")).toString();
    m.created = QDateTime::fromString(root.value(QStringLiteral("created")).toString(), Qt::ISODate);
    m.contacts = root.value(QStringLiteral("contacts")).toInt(-1);
    const QJsonValue entries = root.value(QStringLiteral("entries"));
    if (!entries.isArray())
        return fail(QStringLiteral("没有文件列表"));
    for (const QJsonValue& v : entries.toArray()) {
        const QJsonObject o = v.toObject();
        ManifestEntry e;
        e.path = o.value(QStringLiteral("path")).toString();
        const QString type = o.value(QStringLiteral("type")).toString();
        e.directory = type == QLatin1String("dir");
        if (e.path.isEmpty() || (!e.directory && type != QLatin1String("file")))
            return fail(QStringLiteral("文件列表有误"));
        if (!e.directory) {
            e.sha256 = o.value(QStringLiteral("sha256")).toString().toLatin1();
            if (!wholeNumber(o.value(QStringLiteral("size")), kLargestSize, &e.size) || e.sha256.size() != 64)
                return fail(QStringLiteral("“%1”的大小或校验和有误").arg(e.path));
        }
        qint64 mode = -1;
        if (o.contains(QStringLiteral("mode")) && !wholeNumber(o.value(QStringLiteral("mode")), 0777, &mode))
            return fail(QStringLiteral("“%1”的权限有误").arg(e.path));
        e.mode = int(mode);
        m.entries.append(e);
    }
    *manifest = m;
    return true;
}

} // namespace backup
