#pragma once

#include <QByteArray>

#include <functional>

// libmdb trusts the bytes it reads: on a damaged file it can loop for ever (checked with
// truncated files) or, in principle, crash. Its work therefore runs in a child process that
// the caller can give up on without losing the program.
namespace plx {

struct IsolatedRun
{
    enum Status {
        Finished,   // the job returned; payload holds what it returned
        Cancelled,  // the progress callback asked to stop
        Stalled,    // no sign of progress for too long: the child was killed
        Crashed,    // the child died without an answer
        Unavailable // no child processes on this system: run the job in-process
    };
    Status status = Unavailable;
    QByteArray payload;
};

// Reports rows done and total; called from the child, forwarded to the parent's callback.
using IsolatedReport = std::function<void(qint64 done, qint64 total)>;

// Runs job in a child process. The parent calls progress with the child's latest figures
// about every 100 ms (false cancels), so a screen can keep its event loop turning.
IsolatedRun runIsolated(const std::function<QByteArray(const IsolatedReport &)> &job,
                        const std::function<bool(qint64 done, qint64 total)> &progress,
                        int stallSeconds);

} // namespace plx
