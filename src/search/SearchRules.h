#pragma once

#include <QList>
#include <QString>

#include <vector>

namespace store {
class ContactRows;
}

namespace search {
class PinyinCache;
}

// Which rows a search finds. Every condition names a column and a text the column's value must contain; the text
// is never part of a statement, so quotes, % and _ are plain characters.
class SearchRules {
public:
    struct Condition {
        QString column;
        QString text;
        Qt::CaseSensitivity letterCase = Qt::CaseSensitive;
    };

    // The single search: the column of the ticked button (姓名 when none of the others is ticked) and the trimmed
    // text; no condition when nothing is left of the text. Names are found without regard to letter case ("lily"
    // finds Lily Wang), as the book tells names apart.
    static QList<Condition> single(bool phone, bool mobile, bool pager, const QString& text);
    // The compound search: the trimmed inputs for 关系, 电话, 手机 and 住址; an empty input places no condition.
    static QList<Condition> compound(const QString& relation, const QString& phone, const QString& mobile,
                                     const QString& address);
    static bool matches(const Condition& condition, const QString& value);

    // The rows of a whole-table read that satisfy every condition, in the order "select * from main" returns them:
    // table order, which is the block's rows from the last to the first. With a normalised pinyin input, a name
    // is also found when the input spells it (the single search on 姓名); the cache keeps the names' pinyin.
    static std::vector<quint32> find(const store::ContactRows& rows, const QList<Condition>& conditions,
                                     const QString& pinyin = QString(), search::PinyinCache* cache = nullptr);
};
