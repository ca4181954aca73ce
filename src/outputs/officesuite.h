#pragma once

#include <QString>

#include <functional>

namespace plx {

// LibreOffice run headless, for what the program cannot produce itself: PDF, printing a
// document, and the legacy .xls/.dot templates. Each run uses a private user profile (an
// open LibreOffice would otherwise take the request over) and is bounded by a timeout.
namespace officesuite {

// The soffice executable found (PATH, then the usual install folders); "" when none.
QString executable();
// The French message shown when LibreOffice is needed and missing.
QString missingMessage();

// While a run goes on, called about ten times a second; returning false cancels the run.
// The screens pump events and update their progress line in it.
using Tick = std::function<bool()>;

// Converts source into the format of targetExtension ("pdf", "docx", "xlsx", "odt"...)
// in outFolder. The converted file's path, or "" with a French error.
QString convert(const QString &source, const QString &targetExtension,
                const QString &outFolder, QString *error = nullptr, const Tick &tick = {},
                int timeoutMs = 120000);

// A legacy template (.xls, .dot) converted once (.xlsx, .docx) into a cache keyed by its
// path and modification time; other files are returned unchanged. "" with a French error.
QString modernTemplate(const QString &templatePath, QString *error = nullptr,
                       const Tick &tick = {});

// Prints a document on printer ("" for the default one). False with a French error.
bool print(const QString &document, const QString &printer, QString *error = nullptr,
           const Tick &tick = {});

} // namespace officesuite

} // namespace plx
