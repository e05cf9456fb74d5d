#include "users/UserRules.h"

#include "store/Codepage.h"
#include "store/NameFilter.h"

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

QString UserRules::storedRights(const QString& box)
{
    return box == QStringLiteral("超级用户") ? box : QStringLiteral("普通用户");
}

UserRules::Check UserRules::checkNewUser(const QString& name, const QString& password)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return {Check::Name, QStringLiteral("用户名必须填写！")};
    if (codepageLength(trimmed) <= 2)
        return {Check::Name, QStringLiteral("用户名太短，请重新填写！")};
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
