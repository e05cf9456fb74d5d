#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <array>

// The birthdays the reminder announces: today and the next three days, across month and year ends. Records are
// tested one by one in list order; each match gets a numbered line.
class BirthdayWindow {
public:
    explicit BirthdayWindow(const QDate& today);

    // The day of the window this birthday falls on, or an invalid date (no birthday, or none of the four days).
    QDate dayOf(int month, int day) const;
    // Adds the record's line when its birthday falls in the window; a record matches at most one day.
    void test(const QString& name, int month, int day);

    int count() const { return int(m_lines.size()); }
    // The numbered lines "1、name（MM月dd日）", or an empty line and "最近三天没有人过生日！" when nobody matched.
    QString text() const;

private:
    std::array<QDate, 4> m_days;
    QStringList m_lines;
};
