#include "platform/ErrorLead.h"

namespace platform {

QString ErrorLead::writeFile(const QString& fileName)
{
    return QStringLiteral("无法写入文件 %1，请检查磁盘空间和文件权限。").arg(fileName);
}

QString ErrorLead::damagedFile(const QString& fileName)
{
    return QStringLiteral(
               "文件 %1 已损坏（不是普通文件、链接到程序目录之外或大得不正常），请从备份恢复它，或把它移走后重新启动。")
        .arg(fileName);
}

QString ErrorLead::openDatabase(const QString& fileName)
{
    return QStringLiteral("无法打开数据库 %1，请检查文件是否完好，或从备份恢复。").arg(fileName);
}

namespace {
QString& server()
{
    static QString name;
    return name;
}

// Where to look when a database sentence's trouble persists.
QString check(const QString& embedded)
{
    return server().isEmpty() ? embedded : QStringLiteral("请检查网络和服务器 %1 是否正常。").arg(server());
}
} // namespace

void ErrorLead::setServer(const QString& name)
{
    server() = name;
}

QString ErrorLead::readDatabase()
{
    return QStringLiteral("无法从数据库读取记录，请稍后再试；如果问题持续，") +
           check(QStringLiteral("请检查 call.mdb 是否完好。"));
}

QString ErrorLead::writeDatabase()
{
    return QStringLiteral("记录没有保存到数据库，请稍后再试；如果问题持续，") +
           check(QStringLiteral("请检查磁盘空间和 call.mdb 是否完好。"));
}

QString ErrorLead::deleteRecords()
{
    return QStringLiteral("记录没有删除，数据库保持原样。请稍后再试；如果问题持续，") +
           check(QStringLiteral("请检查磁盘空间和 call.mdb 是否完好。"));
}

QString ErrorLead::picture(const QString& fileName)
{
    return QStringLiteral("无法显示图片 %1，请选择一张完好的 JPEG、BMP、ICO 或 PNG 图片。").arg(fileName);
}

QString ErrorLead::general()
{
    return QStringLiteral("操作没有完成：程序遇到了意外的错误。请稍后再试。");
}

QString ErrorLead::compose(const QString& lead, const QString& detail)
{
    return detail.isEmpty() ? lead : lead + QLatin1Char('\n') + detail;
}

} // namespace platform
