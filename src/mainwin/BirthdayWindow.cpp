#include "mainwin/BirthdayWindow.h"

BirthdayWindow::BirthdayWindow(const QDate& today)
{
    for (int k = 0; k < 4; ++k)
        m_days[size_t(k)] = today.addDays(k);
}

QDate BirthdayWindow::dayOf(int month, int day) const
{
    for (const QDate& d : m_days) {
        if (d.month() == month && d.day() == day)
            return d;
    }
    return QDate();
}

void BirthdayWindow::test(const QString& name, int month, int day)
{
    const QDate d = dayOf(month, day);
    if (d.isValid())
        m_lines.append(
            QStringLiteral("%1、%2（%3）").arg(m_lines.size() + 1).arg(name, d.toString(QStringLiteral("MM月dd日"))));
}

QString BirthdayWindow::text() const
{
    if (m_lines.isEmpty())
        return QStringLiteral("\n最近三天没有人过生日！");
    return m_lines.join(QLatin1Char('\n'));
}
