#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// Replaces a file as a whole: the contents go to a temporary file beside the target, which is synced and renamed
// over the target on commit, so readers see the old or the new contents and never a partial file. Unlike QSaveFile
// the temporary file carries a name of the program's own ("set.ini.velloran-Ab12Cd"), so a copy left behind by a
// kill before the rename can be told from the user's own files and removed at the next start.
class SaveFile {
public:
    explicit SaveFile(const QString& target);
    ~SaveFile();
    SaveFile(const SaveFile&) = delete;
    SaveFile& operator=(const SaveFile&) = delete;

    bool open();
    bool write(const char* data, qint64 size);
    bool write(const QByteArray& data) { return write(data.constData(), data.size()); }
    // True when the target holds the new contents; on failure the target is untouched and no temporary file stays.
    bool commit();
    void cancel();
    QString errorString() const { return m_error; }

    // Removes the temporary files of writes that never completed from `dir` and its immediate sub-folders. Only
    // files older than a minute go: a younger one may belong to another running copy that is writing right now.
    static int removeLeftovers(const QString& dir);
    // True for names the temporary files are given.
    static bool isTemporaryName(const QString& fileName);

private:
    QString m_target;
    QString m_final;
    QString m_temporary;
    int m_fd = -1;
    QString m_error;
};

} // namespace platform
