#include "ui/StartUp.h"

#include "media/Exceptions.h"
#include "media/Resources.h"
#include "ui/UFinal.h"
#include "ui/USplash.h"
#include "ui/UTavlo.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>

namespace tavlo {

namespace {

QStringList &creationOrder()
{
    static QStringList order;
    return order;
}

} // namespace

Windows::Windows() = default;
Windows::Windows(Windows &&) noexcept = default;

Windows::~Windows()
{
    splash.reset();
    main.reset();
}

Windows createWindows()
{
    Windows windows;
    windows.main = std::make_unique<TMain>();
    windows.splash = std::make_unique<TSplash>();
    new TFinal(windows.main.get());
    return windows;
}

QIcon applicationIcon()
{
    try {
        QPixmap picture;
        if (!picture.loadFromData(resourceBytes(QStringLiteral("ICON"), QStringLiteral("MainIcon"))))
            return QIcon();
        QIcon icon(picture);
        // A scaled screen shows icons from the twice-size one.
        QPixmap twin;
        if (qGuiApp->devicePixelRatio() > 1.0
            && twin.loadFromData(resourceBytes(QStringLiteral("ICON"), QStringLiteral("MainIcon@2X"))))
            icon.addPixmap(twin);
        return icon;
    } catch (const Exception &) {
        return QIcon();
    }
}

void noteWindowCreated(const QString &name)
{
    creationOrder().append(name);
}

QStringList windowCreationOrder()
{
    return creationOrder();
}

void clearWindowCreationOrder()
{
    creationOrder().clear();
}

} // namespace tavlo
