#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace exchange {

// What an import did: how many contacts it stored, which it skipped and why, and what it had to change, by name.
struct ImportReport {
    // Complete: the book has the contact, and the file has nothing for its blank fields (when filling them).
    enum class Reason { Exists, Duplicate, EmptyName, Complete };
    struct Skip {
        QString name; // as the file gives it; may be empty
        int line = 0;
        Reason reason = Reason::Exists;
    };
    struct Note {
        QString name;
        QString text;
    };
    // A contact the book had, whose blank fields the file filled.
    struct Fill {
        QString name; // as the book has it
        int line = 0;
        QStringList fields;
    };

    int read = 0; // contacts in the file
    int imported = 0;
    bool cancelled = false;
    QList<Skip> skipped;
    QList<Note> notes;
    QList<Fill> filled;

    int skippedFor(Reason reason) const;
    // One line: "已导入120个联系人，补充了4个已有联系人的空白项目，跳过3个（已有2个，文件中重复1个，没有姓名0个）。"
    QString summary() const;
    // The summary, then one line per filled contact, per skipped contact and per note.
    QString details() const;
    static QString reasonText(Reason reason);
};

} // namespace exchange
