#include "store/ServerProbe.h"

#include <libpq-fe.h>

#include <vector>

namespace store {

namespace {

QString withDetail(const QString& lead, const QString& detail)
{
    const QString text = detail.trimmed();
    return text.isEmpty() ? lead : lead + QLatin1Char('\n') + text;
}

// libpq's keywords and values as the arrays its functions take: nothing in them is parsed as a connection string.
class Keywords {
public:
    explicit Keywords(const QList<QPair<QString, QString>>& params)
    {
        m_bytes.reserve(size_t(params.size()) * 2);
        for (const auto& [key, value] : params) {
            m_bytes.push_back(key.toUtf8());
            m_keywords.push_back(m_bytes.back().constData());
            m_bytes.push_back(value.toUtf8());
            m_values.push_back(m_bytes.back().constData());
        }
        m_keywords.push_back(nullptr);
        m_values.push_back(nullptr);
    }
    const char* const* keywords() const { return m_keywords.data(); }
    const char* const* values() const { return m_values.data(); }

private:
    std::vector<QByteArray> m_bytes;
    std::vector<const char*> m_keywords;
    std::vector<const char*> m_values;
};

} // namespace

bool ServerProbe::answers(const QList<QPair<QString, QString>>& params)
{
    const Keywords k(params);
    return PQpingParams(k.keywords(), k.values(), 0) == PQPING_OK;
}

ServerProbe::Outcome ServerProbe::probe(const ServerSettings& server, QString* detail)
{
    const Keywords k(server.connectionParameters());
    PGconn* connection = PQconnectdbParams(k.keywords(), k.values(), 0);
    Outcome outcome = Outcome::Connected;
    if (!connection) {
        outcome = Outcome::Unreachable;
    } else if (PQstatus(connection) != CONNECTION_OK) {
        if (detail)
            *detail = QString::fromUtf8(PQerrorMessage(connection)).trimmed();
        if (PQconnectionNeedsPassword(connection))
            outcome = Outcome::NeedsPassword;
        else
            outcome = PQpingParams(k.keywords(), k.values(), 0) == PQPING_NO_RESPONSE ? Outcome::Unreachable
                                                                                            : Outcome::Refused;
    }
    PQfinish(connection);
    return outcome;
}

QString ServerProbe::unreachable(const ServerSettings& server, const QString& detail)
{
    return withDetail(QStringLiteral("无法连接服务器 %1：请检查网络，并确认服务器已经启动。").arg(server.displayName()),
                      detail);
}

QString ServerProbe::refused(const ServerSettings& server, const QString& detail)
{
    return withDetail(
        QStringLiteral("服务器 %1 拒绝了连接（数据库 %2）：请检查 server.ini 中的用户名和数据库名，以及密码。")
            .arg(server.displayName(), server.databaseName()),
        detail);
}

QString ServerProbe::needsPassword(const ServerSettings& server)
{
    return QStringLiteral("服务器 %1 要求输入密码：请把密码保存在 ~/.pgpass 中（权限 0600），或在启动时输入。")
        .arg(server.displayName());
}

QString ServerProbe::unencrypted(const ServerSettings& server)
{
    return QStringLiteral("与服务器 %1 的连接没有加密，已经断开：请在 server.ini 中写 sslmode=verify-full；"
                          "只有在可信的网络中才可以写 sslmode=disable。")
        .arg(server.displayName());
}

QString ServerProbe::missingTables(const ServerSettings& server, const QStringList& missing)
{
    return withDetail(QStringLiteral("服务器 %1 上的数据库 %2 中没有通讯录的数据表：请先用“data server init”建立。")
                          .arg(server.displayName(), server.databaseName()),
                      QStringLiteral("缺少数据表：") + missing.join(QStringLiteral("、")));
}

QString ServerProbe::otherVersion(const ServerSettings& server, const QString& found, const QString& wanted)
{
    const bool older = found.isEmpty() || found.toDouble() < wanted.toDouble();
    return withDetail(
        older
            ? QStringLiteral("服务器 %1 上的通讯录是旧版本，本程序不能使用：请通讯录的管理员以数据库所有者的身份运行"
                             "“data server init”，把它升级到本程序的版本。")
                  .arg(server.displayName())
            : QStringLiteral("服务器 %1 上的通讯录是更新的版本，本程序不能使用：请安装新版本的 Velloran。")
                  .arg(server.displayName()),
        QStringLiteral("通讯录版本 %1，本程序需要 %2").arg(found.isEmpty() ? QStringLiteral("（无）") : found, wanted));
}

QString ServerProbe::lost(const ServerSettings& server, const QString& detail)
{
    return withDetail(QStringLiteral("与服务器 %1 的连接中断了，这次的操作没有保存任何内容：请检查网络，并确认服务器"
                                     "仍在运行，然后再试一次。")
                          .arg(server.displayName()),
                      detail);
}

QString ServerProbe::lostAtCommit(const ServerSettings& server)
{
    return QStringLiteral("与服务器 %1 的连接在保存的最后一步中断了，不能确定这次修改是否已经保存：请在连接恢复后"
                          "再保存一次，或刷新（F5）查看。")
        .arg(server.displayName());
}

QString ServerProbe::restoring(const ServerSettings& server)
{
    return QStringLiteral("数据备份与恢复程序正在恢复服务器 %1 上的通讯录，请等恢复完成后再启动 Velloran。")
        .arg(server.displayName());
}

QString ServerProbe::failed(const ServerSettings& server, const QString& detail)
{
    return withDetail(QStringLiteral("服务器 %1 上的通讯录无法读取，请稍后再试。").arg(server.displayName()), detail);
}

} // namespace store
