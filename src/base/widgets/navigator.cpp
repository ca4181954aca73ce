#include "base/widgets/navigator.h"

#include <QApplication>
#include <QVariant>
#include <QWidget>

namespace plx {

namespace {

Navigator *&defaultNavigator()
{
    static Navigator *navigator = nullptr;
    return navigator;
}

} // namespace

Navigator *navigatorFor(const QWidget *widget)
{
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        if (auto *navigator = dynamic_cast<Navigator *>(const_cast<QWidget *>(w)))
            return navigator;
    }
    // A dialog opened without a parent still belongs to the program's frame.
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (auto *navigator = dynamic_cast<Navigator *>(top))
            return navigator;
    }
    return defaultNavigator();
}

void setDefaultNavigator(Navigator *navigator)
{
    defaultNavigator() = navigator;
}

QString screenKind(const QWidget *screen)
{
    const QVariant key = screen->property("plxScreenKey");
    return key.isValid() && !key.toString().isEmpty()
               ? key.toString()
               : QString::fromLatin1(screen->metaObject()->className());
}

} // namespace plx
