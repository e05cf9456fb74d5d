#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

// Everything of a program directory that a restore may change, for comparing two states: every file's SHA-256
// by relative path (hidden ones too, so a left-over staging folder or journal shows), with call.mdb as the text
// of its rows instead of its bytes (the same rows may lie in the file or in its write-ahead log), or, when the
// directory's book lies on the tests' server, the rows of that book. Leaves out backup/, the lock file and the
// database's -wal/-shm.
QMap<QString, QByteArray> dataDigest(const QString& programDir);
