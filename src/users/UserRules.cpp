#include "users/UserRules.h"

#include "store/Codepage.h"
#include "store/NameFilter.h"

#include <QFile>
#include <QStringList>

namespace {
constexpr char16_t kPlaceholderChar = 0xE000;
}

bool UserRules::refusesTyped(QChar c)
{
    return store::NameFilter::isRefused(c);
}

int UserRules::codepageLength(const QString& text)
{
    return int(store::Codepage::encode(text).size());
}

bool UserRules::isUsableName(const QString& name)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char(';')) || name.startsWith(QLatin1Char('[')))
        return false;
    for (const QChar c : name) {
        if (refusesTyped(c) || c == QLatin1Char('=') || c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

bool UserRules::hasVisibleCharacter(const QString& name)
{
    for (const QChar c : name) {
        const QChar::Category category = c.category();
        const bool invisible = c.isSpace() || category == QChar::Other_Format || category == QChar::Other_Control ||
                               category == QChar::Mark_NonSpacing || c == u'\u115F' || c == u'\u1160' ||
                               c == u'\u3164' || c == u'\uFFA0';
        if (!invisible)
            return true;
    }
    return false;
}

bool UserRules::isReservedName(const QString& name)
{
    static const QStringList own = {QStringLiteral("velloran"), QStringLiteral("data"),   QStringLiteral("photo"),
                                    QStringLiteral("modal"),    QStringLiteral("backup"), QStringLiteral("help"),
                                    QStringLiteral("zzz")};
    return own.contains(name.trimmed(), Qt::CaseInsensitive);
}

QString UserRules::storedRights(const QString& box)
{
    return box == QStringLiteral("超级用户") ? box : QStringLiteral("普通用户");
}

UserRules::Check UserRules::checkNewUser(const QString& name, const QString& password)
{
    const QString trimmed = name.trimmed();
    if (!hasVisibleCharacter(trimmed))
        return {Check::Name, QStringLiteral("用户名必须填写！")};
    if (codepageLength(trimmed) <= 2)
        return {Check::Name, QStringLiteral("用户名太短，请重新填写！")};
    if (QFile::encodeName(trimmed).size() > MaxFolderNameBytes)
        return {Check::Name, QStringLiteral("用户名太长，请重新填写！")};
    // The name becomes a folder name and a key of user.ini; pasted text passes the key filter.
    if (!isUsableName(trimmed))
        return {Check::Name, QStringLiteral("用户名中不能含有特殊字符！")};
    if (password.trimmed().isEmpty())
        return {Check::Password, QStringLiteral("密码必须填写！")};
    return {};
}

QString UserRules::unchangedPassword()
{
    return QString(8, QChar(kPlaceholderChar));
}

QString UserRules::withoutPlaceholder(const QString& edited)
{
    if (edited == unchangedPassword())
        return edited;
    QString typed = edited;
    typed.remove(QChar(kPlaceholderChar));
    return typed;
}
