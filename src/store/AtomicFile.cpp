#include "store/AtomicFile.h"

#include "platform/ProgramDir.h"
#include "platform/SaveFile.h"

namespace store {

bool AtomicFile::write(const QString& path, const QByteArray& data, QString* error)
{
    // No direct-write fallback: when no temporary file can be made beside the target, failing beats a torn file.
    // A write through a link out of the program's directory would replace another place's file.
    platform::SaveFile file(path);
    if (!platform::ProgramDir::leadsOut(path) && file.open() && file.write(data) && file.commit())
        return true;
    if (error)
        *error = QStringLiteral("Unable to write to %1").arg(path);
    return false;
}

} // namespace store
