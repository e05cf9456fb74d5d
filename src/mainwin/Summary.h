#pragma once

#include <QString>

// The summary text of the information panel: an introduction, an empty line and the count line.
class Summary {
public:
    // The counts by sex at the last full reload (Edit4, Edit5, Edit3), as their texts.
    struct Breakdown {
        QString men;
        QString women;
        QString unspecified;
    };

    static QString introLine();
    // "当前共有N条记录", the breakdown when there is one (the unspecified part only when it is not "0"), and the order.
    static QString countLine(int count, const Breakdown* breakdown, bool sortedByName);
};
