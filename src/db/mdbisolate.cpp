#include "db/mdbisolate.h"

#include <QElapsedTimer>
#include <QtEndian>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace plx {

#ifndef Q_OS_UNIX

IsolatedRun runIsolated(const std::function<QByteArray(const IsolatedReport &)> &,
                        const std::function<bool(qint64, qint64)> &, int)
{
    return {};
}

#else

namespace {

// Frames on the pipe: one type byte, a 64-bit little-endian length, the payload.
constexpr char progressFrame = 'P';
constexpr char resultFrame = 'R';
constexpr int headerSize = 9;
constexpr int pollMilliseconds = 100;

bool writeAll(int fd, const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size_t(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

// A little-endian 64-bit number of a frame; 0 when the bytes are not there.
qint64 readInt64(const QByteArray &bytes, qsizetype offset)
{
    // Byte by byte: GCC's bounds check takes a wide read of a QByteArray for a read past
    // its one-byte shared empty buffer.
    quint64 value = 0;
    if (offset < 0 || bytes.size() < offset + 8)
        return 0;
    for (int i = 7; i >= 0; --i)
        value = (value << 8) | quint8(bytes.at(offset + i));
    return qint64(value);
}

bool writeFrame(int fd, char type, const QByteArray &payload)
{
    QByteArray frame(headerSize, Qt::Uninitialized);
    frame[0] = type;
    qToLittleEndian<qint64>(payload.size(), frame.data() + 1);
    frame += payload;
    return writeAll(fd, frame.constData(), frame.size());
}

[[noreturn]] void runChild(int fd, const std::function<QByteArray(const IsolatedReport &)> &job)
{
    // libmdb's warnings on a damaged file run to hundreds of thousands of lines; the
    // result we send back says what went wrong.
    const int devNull = ::open("/dev/null", O_WRONLY);
    if (devNull >= 0)
        ::dup2(devNull, STDERR_FILENO);
    QElapsedTimer sinceLast;
    const IsolatedReport report = [fd, &sinceLast](qint64 done, qint64 total) {
        if (sinceLast.isValid() && sinceLast.elapsed() < pollMilliseconds / 2)
            return;
        sinceLast.start();
        QByteArray figures(16, Qt::Uninitialized);
        qToLittleEndian<qint64>(done, figures.data());
        qToLittleEndian<qint64>(total, figures.data() + 8);
        writeFrame(fd, progressFrame, figures);
    };
    const QByteArray payload = job(report);
    const bool sent = writeFrame(fd, resultFrame, payload);
    // No destructors, no atexit handlers: they belong to the parent.
    ::_exit(sent ? 0 : 1);
}

} // namespace

IsolatedRun runIsolated(const std::function<QByteArray(const IsolatedReport &)> &job,
                        const std::function<bool(qint64, qint64)> &progress, int stallSeconds)
{
    IsolatedRun run;
    int fds[2];
    if (::pipe(fds) != 0)
        return run; // Unavailable: the caller runs the job itself
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return run;
    }
    if (pid == 0) {
        ::close(fds[0]);
        runChild(fds[1], job);
    }
    ::close(fds[1]);
    const int fd = fds[0];

    QByteArray buffer;
    bool haveResult = false;
    qint64 done = 0;
    qint64 total = 0;
    QElapsedTimer sinceSign;
    sinceSign.start();
    QElapsedTimer sinceCall;
    sinceCall.start();
    run.status = IsolatedRun::Crashed;
    auto stop = [&](IsolatedRun::Status status) {
        ::kill(pid, SIGKILL);
        run.status = status;
    };
    for (;;) {
        pollfd waiting{fd, POLLIN, 0};
        const int ready = ::poll(&waiting, 1, pollMilliseconds);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready > 0) {
            char chunk[65536];
            const ssize_t got = ::read(fd, chunk, sizeof chunk);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break; // the child closed its end: finished or dead
            buffer.append(chunk, got);
            sinceSign.restart();
            while (buffer.size() >= headerSize) {
                const qint64 length = readInt64(buffer, 1);
                if (length < 0 || buffer.size() < headerSize + length)
                    break;
                const QByteArray payload = buffer.mid(headerSize, length);
                if (buffer.at(0) == resultFrame) {
                    run.payload = payload;
                    haveResult = true;
                } else if (buffer.at(0) == progressFrame && payload.size() == 16) {
                    done = readInt64(payload, 0);
                    total = readInt64(payload, 8);
                }
                buffer.remove(0, headerSize + length);
            }
        }
        if (progress && sinceCall.elapsed() >= pollMilliseconds) {
            sinceCall.restart();
            if (!progress(done, total)) {
                stop(IsolatedRun::Cancelled);
                break;
            }
        }
        if (sinceSign.elapsed() > qint64(stallSeconds) * 1000) {
            stop(IsolatedRun::Stalled);
            break;
        }
    }
    ::close(fd);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (run.status == IsolatedRun::Crashed && haveResult && WIFEXITED(status) &&
        WEXITSTATUS(status) == 0)
        run.status = IsolatedRun::Finished;
    return run;
}

#endif

} // namespace plx
