#include "store/ServerSettings.h"

#include "platform/ProgramDir.h"
#include "store/Ini.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace store {

namespace {

const QString kSection = QStringLiteral("server");

const QStringList& sslModes()
{
    static const QStringList modes = {QStringLiteral("disable"),   QStringLiteral("allow"),
                                      QStringLiteral("prefer"),    QStringLiteral("require"),
                                      QStringLiteral("verify-ca"), QStringLiteral("verify-full")};
    return modes;
}

bool hasControl(const QString& value)
{
    for (const QChar c : value) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            return true;
    }
    return false;
}

bool matches(const QString& value, const char* pattern)
{
    const QRegularExpression re(QString::fromLatin1(pattern));
    return re.match(value).hasMatch();
}

// A host list: names, IP addresses or socket folders, separated by commas; nothing that could end the value.
bool isHostList(const QString& value)
{
    const QStringList hosts = value.split(QLatin1Char(','));
    for (const QString& host : hosts) {
        const bool path = host.startsWith(QLatin1Char('/')) && matches(host, R"(^/[^\s'"\\;=,]*$)");
        if (!path && !matches(host, R"(^[A-Za-z0-9._:%\[\]-]+$)"))
            return false;
    }
    return true;
}

bool isPortList(const QString& value)
{
    for (const QString& port : value.split(QLatin1Char(','))) {
        bool ok = false;
        const int n = port.toInt(&ok);
        if (!ok || n < 1 || n > 65535 || !matches(port, "^[0-9]+$"))
            return false;
    }
    return true;
}

// Why a value is refused for its keyword; empty when it is fine.
QString refusal(const QString& keyword, const QString& value)
{
    // Qt's driver turns ';' into the separator of connection options: no value may hold one.
    if (hasControl(value) || value.contains(QLatin1Char(';')))
        return QStringLiteral("不能含有分号或控制字符");
    if (keyword == QLatin1String("service") && !matches(value, "^[A-Za-z0-9_.-]+$"))
        return QStringLiteral("只能由字母、数字和 _ . - 组成");
    if (keyword == QLatin1String("host") && !isHostList(value))
        return QStringLiteral("应是主机名、IP 地址或套接字文件夹（以 / 开头）");
    if (keyword == QLatin1String("port") && !isPortList(value))
        return QStringLiteral("应是 1 到 65535 之间的端口号");
    if (keyword == QLatin1String("sslmode") && !sslModes().contains(value))
        return QStringLiteral("应是 %1 之一").arg(sslModes().join(QStringLiteral("、")));
    // A database name holding '=' or a URI would be read as a whole connection string by some libpq calls.
    if (keyword == QLatin1String("dbname") &&
        (value.contains(QLatin1Char('=')) || value.contains(QLatin1String("://"))))
        return QStringLiteral("不能含有“=”，也不能是连接地址");
    return QString();
}

bool isLoopback(const QString& host)
{
    return host.startsWith(QLatin1Char('/')) || host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
           host == QLatin1String("::1") || host == QLatin1String("[::1]") || matches(host, R"(^127\.[0-9.]+$)");
}

// libpq's quoting of a value in a connection string: inside single quotes, \ and ' escaped with a backslash.
QString quoted(const QString& value)
{
    QString v = value;
    v.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    v.replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + v + QLatin1Char('\'');
}

} // namespace

const QStringList& ServerSettings::keywords()
{
    static const QStringList list = {QStringLiteral("service"),    QStringLiteral("host"), QStringLiteral("port"),
                                     QStringLiteral("dbname"),     QStringLiteral("user"), QStringLiteral("sslmode"),
                                     QStringLiteral("sslrootcert")};
    return list;
}

QString ServerSettings::iniFile(const QString& programDir)
{
    return QDir(programDir).filePath(QStringLiteral("server.ini"));
}

bool ServerSettings::load(const QString& programDir, ServerSettings* settings, QString* error)
{
    *settings = ServerSettings();
    QString file = iniFile(programDir);
    if (!QFileInfo::exists(file) && !QFileInfo(file).isSymLink()) {
        // An installed program without a server.ini of its own takes the administrator's for every person.
        file = platform::ProgramDir::defaultFile(QStringLiteral("server.ini"));
        if (file.isEmpty())
            return true;
    }
    if (!Ini::isSound(file)) {
        if (error)
            *error = QStringLiteral("server.ini 不是可以读取的设置文件。");
        return false;
    }
    QList<QPair<QString, QString>> values;
    for (const QString& key : Ini::keys(file, kSection))
        values.append({key, Ini::read(file, kSection, key)});
    return fromValues(values, settings, error);
}

bool ServerSettings::fromValues(const QList<QPair<QString, QString>>& values, ServerSettings* settings, QString* error)
{
    *settings = ServerSettings();
    const auto fail = [error](const QString& text) {
        if (error)
            *error = QStringLiteral("server.ini 中的设置无效：") + text;
        return false;
    };
    ServerSettings result;
    for (const auto& [rawKey, rawValue] : values) {
        const QString key = rawKey.trimmed().toLower();
        const QString value = rawValue.trimmed();
        if (key == QLatin1String("password"))
            return fail(QStringLiteral("密码不能写在 server.ini 中；请用 ~/.pgpass 保存，或在启动时输入。"));
        if (!keywords().contains(key))
            return fail(
                QStringLiteral("不认识的设置“%1”（只能用 %2）。").arg(rawKey, keywords().join(QStringLiteral("、"))));
        if (value.isEmpty())
            continue;
        const QString why = refusal(key, value);
        if (!why.isEmpty())
            return fail(QStringLiteral("%1 %2。").arg(key, why));
        bool replaced = false;
        for (auto& pair : result.m_values) {
            if (pair.first == key) {
                pair.second = value;
                replaced = true;
            }
        }
        if (!replaced)
            result.m_values.append({key, value});
    }
    std::sort(result.m_values.begin(), result.m_values.end(),
              [](const auto& a, const auto& b) { return keywords().indexOf(a.first) < keywords().indexOf(b.first); });
    *settings = result;
    return true;
}

bool ServerSettings::save(const QString& programDir, QString* error) const
{
    const QString file = iniFile(programDir);
    // Keys emptied in the form (or not understood) are removed, so the file says exactly what the form showed.
    for (const QString& key : Ini::keys(file, kSection)) {
        if (value(key.toLower()).isEmpty() && !Ini::removeKey(file, kSection, key, error))
            return false;
    }
    return m_values.isEmpty() || Ini::write(file, kSection, m_values, error);
}

QString ServerSettings::value(const QString& keyword) const
{
    for (const auto& [key, v] : m_values) {
        if (key == keyword)
            return v;
    }
    return QString();
}

QString ServerSettings::displayName() const
{
    const QString host = value(QStringLiteral("host"));
    if (!host.isEmpty())
        return host.section(QLatin1Char(','), 0, 0);
    const QString service = value(QStringLiteral("service"));
    return service.isEmpty() ? QStringLiteral("本机") : service;
}

QString ServerSettings::databaseName() const
{
    const QString db = value(QStringLiteral("dbname"));
    return db.isEmpty() ? value(QStringLiteral("user")) : db;
}

bool ServerSettings::isLocal() const
{
    const QString host = value(QStringLiteral("host"));
    if (host.isEmpty())
        return value(QStringLiteral("service")).isEmpty();
    const QStringList hosts = host.split(QLatin1Char(','));
    return std::all_of(hosts.begin(), hosts.end(), isLoopback);
}

QString ServerSettings::effectiveSslMode() const
{
    const QString given = value(QStringLiteral("sslmode"));
    if (!given.isEmpty())
        return given;
    return !value(QStringLiteral("host")).isEmpty() && !isLocal() ? QStringLiteral("verify-full") : QString();
}

bool ServerSettings::needsEncryptionCheck() const
{
    const QString mode = effectiveSslMode();
    if (mode == QLatin1String("disable") || mode == QLatin1String("require") ||
        mode.startsWith(QLatin1String("verify")))
        return false;
    return !isLocal();
}

QList<QPair<QString, QString>> ServerSettings::connectionParameters() const
{
    QList<QPair<QString, QString>> params;
    for (const auto& [key, v] : m_values) {
        if (key != QLatin1String("sslmode"))
            params.append({key, v});
    }
    const QString mode = effectiveSslMode();
    if (!mode.isEmpty())
        params.append({QStringLiteral("sslmode"), mode});
    // A server that does not answer must not hold the start-up for the system's two-minute TCP timeout.
    params.append({QStringLiteral("connect_timeout"), QStringLiteral("10")});
    // A connection whose other end has gone (a pulled cable, a firewall that forgets idle connections) is noticed
    // within a minute when idle and within 20 seconds of a statement, instead of hanging on for hours.
    params.append({QStringLiteral("keepalives"), QStringLiteral("1")});
    params.append({QStringLiteral("keepalives_idle"), QStringLiteral("30")});
    params.append({QStringLiteral("keepalives_interval"), QStringLiteral("10")});
    params.append({QStringLiteral("keepalives_count"), QStringLiteral("3")});
    params.append({QStringLiteral("tcp_user_timeout"), QStringLiteral("20000")});
    params.append({QStringLiteral("application_name"), QStringLiteral("velloran")});
    if (!m_password.isEmpty())
        params.append({QStringLiteral("password"), m_password});
    return params;
}

QString ServerSettings::qtConnectOptions() const
{
    QStringList options;
    for (const auto& [key, v] : connectionParameters()) {
        // The password goes through QSqlDatabase::setPassword, which quotes it itself.
        if (key != QLatin1String("password"))
            options.append(key + QLatin1Char('=') + quoted(v));
    }
    return options.join(QLatin1Char(';'));
}

} // namespace store
