#include "app/Usage.h"

#include <QTextStream>

#include <cstdio>

#ifndef VELLORAN_VERSION
#define VELLORAN_VERSION "0"
#endif

std::optional<int> Usage::answer(const QStringList& arguments, QTextStream& out)
{
    for (const QString& argument : arguments) {
        // "--" ends the options.
        if (argument == QLatin1String("--"))
            break;
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            out << helpText();
            return 0;
        }
        if (argument == QLatin1String("--version")) {
            out << versionText();
            return 0;
        }
    }
    return std::nullopt;
}

std::optional<int> Usage::answer(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    QTextStream out(stdout);
    return answer(arguments, out);
}

QString Usage::versionText()
{
    return QStringLiteral("velloran (Velloran 电话簿) " VELLORAN_VERSION "\n");
}

QString Usage::helpText()
{
    return QStringLiteral(
        "用法：velloran [选项]\n"
        "Velloran 电话簿：联系人、生日提醒、区号查询、便签和用户。\n"
        "\n"
        "选项：\n"
        "  -h, --help     显示这段说明后退出\n"
        "      --version  显示版本后退出\n"
        "  其余的参数交给 Qt（例如 -platform xcb、-style fusion）。\n"
        "\n"
        "程序目录：\n"
        "  从安装包启动（应用程序菜单或命令 velloran）时，每个人的数据在自己的 ~/Velloran，\n"
        "  第一次启动时建立；从便携的程序目录启动时，数据就在程序所在的目录。\n"
        "  备份、恢复、导入和导出：velloran-data（安装包）或程序目录里的 data，见 man velloran-data。\n"
        "\n"
        "退出状态：\n"
        "  0  正常结束（也包括在登录窗口取消）\n"
        "  1  没有启动：缺少文件、数据正在恢复，或者无法建立程序目录\n"
        "  2  没有图形显示（没有设置 DISPLAY）\n");
}
