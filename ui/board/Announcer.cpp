#include "ui/board/Announcer.h"

#include <QAccessibleWidget>

#include <mutex>

namespace tavlo {

namespace {

QAccessibleInterface *announcerFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("tavlo::Announcer") && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Notification);
    return nullptr;
}

} // namespace

Announcer::Announcer(QWidget *parent)
    : QWidget(parent)
{
    static std::once_flag once;
    std::call_once(once, [] { QAccessible::installFactory(announcerFactory); });
    setObjectName(QStringLiteral("Announcer"));
    // It is shown only so that readers see a notification appear: it takes
    // no room, no pointer and no focus.
    setGeometry(0, 0, 0, 0);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void Announcer::say(const QString &text)
{
    // Hidden first, so that the same news twice in a row is still a new
    // appearance; the name is in place before it shows.
    hide();
    setAccessibleName(text);
    show();
}

void announce(QWidget *window, const QString &text)
{
    if (!window)
        return;
    auto *announcer = window->findChild<Announcer *>(QString(), Qt::FindDirectChildrenOnly);
    if (!announcer)
        announcer = new Announcer(window);
    announcer->say(text);
}

} // namespace tavlo
