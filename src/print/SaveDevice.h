#pragma once

#include "platform/SaveFile.h"

#include <QIODevice>

namespace print {

// A write-only device over platform::SaveFile, for writers that want a QIODevice (QPdfWriter, QImageWriter): the
// target is replaced as a whole on commit() and stays as it was when anything fails.
class SaveDevice : public QIODevice {
    Q_OBJECT
public:
    explicit SaveDevice(const QString& target);
    ~SaveDevice() override;

    bool open(OpenMode mode) override;
    bool isSequential() const override { return true; }
    // True when the target holds everything written.
    bool commit();
    QString failure() const { return m_file.errorString(); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override;

private:
    static constexpr qsizetype kChunk = 1 << 20;
    bool flushBuffer();

    platform::SaveFile m_file;
    QByteArray m_buffer;
    bool m_failed = false;
};

} // namespace print
