#include "ui/WindowOrder.h"

#include "ui/Testing.h"

#include <QStringList>

namespace tavlo {

namespace {

QStringList &creationOrder()
{
    static QStringList order;
    return order;
}

} // namespace

void noteWindowCreated(const QString &name)
{
    creationOrder().append(name);
}

QStringList testing::windowCreationOrder()
{
    return creationOrder();
}

void testing::clearWindowCreationOrder()
{
    creationOrder().clear();
}

} // namespace tavlo
