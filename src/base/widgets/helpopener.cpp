#include "base/widgets/helpopener.h"

#include <QDesktopServices>
#include <QUrl>

namespace plx {

namespace {

HelpOpener &currentOpener()
{
    static HelpOpener opener = [](const QUrl &page) { return QDesktopServices::openUrl(page); };
    return opener;
}

} // namespace

HelpOpener setHelpOpener(HelpOpener opener)
{
    HelpOpener previous = std::move(currentOpener());
    currentOpener() = std::move(opener);
    return previous;
}

bool openHelpPage(const QUrl &page)
{
    return currentOpener() && currentOpener()(page);
}

} // namespace plx
