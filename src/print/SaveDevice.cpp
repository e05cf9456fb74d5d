#include "print/SaveDevice.h"

namespace print {

SaveDevice::SaveDevice(const QString& target) : m_file(target) {}

SaveDevice::~SaveDevice()
{
    m_file.cancel();
}

bool SaveDevice::open(OpenMode mode)
{
    if ((mode & ReadOnly) || !m_file.open())
        return false;
    m_failed = false;
    m_buffer.clear();
    return QIODevice::open(mode | Unbuffered);
}

qint64 SaveDevice::writeData(const char* data, qint64 size)
{
    // Writers hand over a few bytes at a time; the disk gets them in large pieces.
    m_buffer.append(data, size);
    if (m_buffer.size() >= kChunk && !flushBuffer())
        return -1;
    return m_failed ? -1 : size;
}

bool SaveDevice::flushBuffer()
{
    if (!m_failed && !m_buffer.isEmpty() && !m_file.write(m_buffer))
        m_failed = true;
    m_buffer.clear();
    return !m_failed;
}

bool SaveDevice::commit()
{
    QIODevice::close();
    if (!flushBuffer()) {
        m_file.cancel();
        return false;
    }
    return m_file.commit();
}

} // namespace print
