#pragma once

#include <QIODevice>

#include <memory>

namespace plx {

// A window [offset, offset + size) of a sequential device: a member of a tar stream.
// Opening skips to the offset by reading (a gzip stream cannot seek).
class SliceDevice : public QIODevice
{
    Q_OBJECT
public:
    // Takes ownership of source, opened for reading.
    SliceDevice(std::unique_ptr<QIODevice> source, qint64 offset, qint64 size,
                QObject *parent = nullptr);

    bool open(OpenMode mode) override;
    bool isSequential() const override { return true; }
    bool atEnd() const override { return m_left == 0; }
    qint64 bytesAvailable() const override { return m_left + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    std::unique_ptr<QIODevice> m_source;
    qint64 m_offset, m_size, m_left = 0;
};

} // namespace plx
