#pragma once

#include <functional>

class QUrl;

namespace plx {

// What opens a help page: the desktop's browser (QDesktopServices) by default. Tests
// replace it so that nothing is launched. Returns the previous opener.
using HelpOpener = std::function<bool(const QUrl &page)>;
HelpOpener setHelpOpener(HelpOpener opener);
// Opens page with the current opener; false when it could not.
bool openHelpPage(const QUrl &page);

} // namespace plx
