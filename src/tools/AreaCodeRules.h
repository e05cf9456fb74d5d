#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The area-code lookup over the rows of table call: which rows a mode and an input find, and how each is listed.
// The codes are stored without their leading "0" and always shown with it.
class AreaCodeRules {
public:
    enum class Mode { Province, City, Code };

    struct Row {
        QString province; // 省份, one of provinces()
        QString city;     // 城市
        QString code;     // 区号
    };

    // The 29 province groups of the drop-down, in their order.
    static QStringList provinces();

    // City and code lookups need something typed: true when the trimmed input is empty there.
    static bool lacksInput(Mode mode, const QString& input);
    // Province: the group equals the trimmed input. City: the trimmed input is part of the city's name. Code: the
    // whole code, typed with or without its leading "0".
    static bool matches(Mode mode, const QString& input, const Row& row);
    // "太原  0351" for a province, "太原（山西）  0351" otherwise.
    static QString line(Mode mode, const Row& row);
    // The lines of every matching row in table order, or the one line "对不起，无信息！".
    static QStringList lookup(Mode mode, const QString& input, const QList<Row>& rows);
};
