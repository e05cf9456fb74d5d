#include "store/AtomicFile.h"

#include <QSaveFile>

namespace store {

bool AtomicFile::write(const QString& path, const QByteArray& data, QString* error)
{
    // No direct-write fallback: when no temporary file can be made beside the target, failing beats a torn file.
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.flush() && file.commit())
        return true;

    file.cancelWriting();
    if (error)
        *error = QStringLiteral("Unable to write to %1").arg(path);
    return false;
}

} // namespace store
