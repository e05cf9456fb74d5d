#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

namespace backup {

// Work done and work in all (bytes); called on the thread that does the work.
using Progress = std::function<void(qint64 done, qint64 total)>;

// What an archive holds, as its manifest says (after a full check: as its database says).
struct ArchiveSummary {
    QString path;
    QDateTime created;
    int contacts = -1;
    QString programVersion;
    int files = 0;
    qint64 dataSize = 0; // bytes of all files, unpacked
    QStringList leftOut; // what a backup found but did not take, each with its reason in brackets
};

// The sentence that names what a backup left out; empty when it left out nothing.
QString leftOutSentence(const ArchiveSummary& summary);

} // namespace backup
