#pragma once

#include "outputs/reportdispatcher.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace plx {

// How the files a report produced reach the user. Tests put their own in place so that
// nothing is launched.
struct DesktopLauncher
{
    // Opens a file with the desktop's handler; false when none took it.
    std::function<bool(const QString &path)> open;
    // Hands files to the mail client as attachments; false when the platform has no way
    // to (the caller then shows the folder).
    std::function<bool(const QStringList &files)> mail;
    // Shows a folder in the file manager.
    std::function<bool(const QString &folder)> openFolder;
};

// The launcher in use: the desktop's (xdg-email for mail where it exists) unless replaced.
const DesktopLauncher &desktopLauncher();
// Replaces it; returns the previous one so that a test can put it back.
DesktopLauncher setDesktopLauncher(DesktopLauncher launcher);

// What the screen running a report shows while it goes.
struct ReportFeedback
{
    std::function<void(const QString &step)> showStep;
    // Read between steps: the user asked to stop.
    std::function<bool()> cancelRequested;
};

// Runs the report as the user sees it: each step shown, events handled between the steps
// and while LibreOffice works (the window stays responsive, a stop button works), then the
// result opened or mailed, or its error shown. The caller guards against a second run.
ReportResult runReportForUser(const ReportRequest &request, const ReportSource &source,
                              const ReportFeedback &feedback);

} // namespace plx
