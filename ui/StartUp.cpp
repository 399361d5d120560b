#include "ui/StartUp.h"

#include "media/base/Exceptions.h"
#include "media/pictures/Resources.h"
#include "ui/UFinal.h"
#include "ui/USplash.h"
#include "ui/UTavlo.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>

namespace tavlo {

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
    // Decoded through the icon reader alone: QIcon would try every image
    // plugin it has on the bytes (and load them all) before finding one.
    const auto picture = [](const QString &name) {
        try {
            return QPixmap::fromImage(decodeIcon(resourceBytes(QStringLiteral("ICON"), name)));
        } catch (const Exception &) {
            return QPixmap();
        }
    };
    const QPixmap normal = picture(QStringLiteral("MainIcon"));
    if (normal.isNull())
        return QIcon();
    QIcon icon(normal);
    // A scaled screen shows icons from the twice-size one.
    if (qGuiApp->devicePixelRatio() > 1.0) {
        const QPixmap twin = picture(QStringLiteral("MainIcon@2X"));
        if (!twin.isNull())
            icon.addPixmap(twin);
    }
    return icon;
}

} // namespace tavlo
