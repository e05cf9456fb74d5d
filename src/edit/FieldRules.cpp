#include "edit/FieldRules.h"

bool FieldRules::isRefusedNameChar(QChar c)
{
    static const QString refused = QStringLiteral("!\"&*,./:;<>?\\|");
    return refused.contains(c);
}

bool FieldRules::nameHasSpecialChars(const QString& name)
{
    for (const QChar c : name) {
        if (isRefusedNameChar(c) || c.category() == QChar::Other_Control)
            return true;
    }
    return false;
}

QString FieldRules::clean(const QString& text)
{
    const QString t = text.trimmed();
    return t.isEmpty() ? QStringLiteral(" ") : t;
}

bool FieldRules::toInteger(const QString& text, int* value, QString* error)
{
    // As the original conversion: surrounding blanks are not accepted, a sign is.
    bool ok = false;
    const int v = text.toInt(&ok, 10);
    if (!ok || text.isEmpty() || text.at(0).isSpace() || text.back().isSpace()) {
        if (error)
            *error = QStringLiteral("'%1' is not a valid integer value").arg(text);
        return false;
    }
    *value = v;
    return true;
}
