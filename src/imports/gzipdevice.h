#pragma once

#include <QIODevice>

#include <memory>

namespace plx {

// Reads a gzip stream (one or several concatenated members) as plain bytes, inflating on
// the fly with a fixed buffer: a file larger than memory streams through. A stream that
// ends before its last member is complete is an error, with a French message in
// errorString(), never a silently short file.
class GzipDevice : public QIODevice
{
    Q_OBJECT
public:
    // Takes ownership of source, opened for reading; open() this device before reading.
    explicit GzipDevice(std::unique_ptr<QIODevice> source, QObject *parent = nullptr);
    ~GzipDevice() override;

    bool open(OpenMode mode) override;
    void close() override;
    bool isSequential() const override { return true; }
    bool atEnd() const override;
    // Compressed bytes consumed so far (for progress against the file's size).
    qint64 compressedPos() const;

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    struct State;
    std::unique_ptr<QIODevice> m_source;
    std::unique_ptr<State> m_state;
};

} // namespace plx
