#include "ui/USplash.h"

#include "ui/Keys.h"
#include "ui/WindowOrder.h"
#include "ui/WindowPlacement.h"

#include <QKeyEvent>

TSplash *Splash = nullptr;

TSplash::TSplash(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setupUi(this);
    setObjectName(QStringLiteral("Splash"));
    setFixedSize(300, 300);
    setModal(true);
    setWindowTitle(QStringLiteral("Tavlo"));
    // Screen readers take the title for its name. Naming it outright would
    // wake the accessibility bridge, a session bus connection, before the
    // splash is on screen.
    connect(Image1, &tavlo::PictureBox::clicked, this, &TSplash::Image1Click);
    // Shown once the window is: see setVisible.
    Image1->hide();
    tavlo::finishPictureWindow(this, Splash);
}

TSplash::~TSplash()
{
    if (Splash == this)
        Splash = nullptr;
}

int TSplash::showModal()
{
    return exec();
}

void TSplash::Image1Click()
{
    done(1);
}

void TSplash::keyPressEvent(QKeyEvent *event)
{
    if (tavlo::isClickKey(event->key())) {
        Image1Click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TSplash::releasePicture()
{
    Image1->setPicture(QImage());
    destroy();
}

void TSplash::setVisible(bool visible)
{
    // A control shown along with the window is announced to screen readers
    // before the window is mapped, and the first announcement wakes the
    // accessibility bridge, whose session bus connection would hold the
    // splash back. Shown after it, the picture is still there for the first
    // paint.
    QDialog::setVisible(visible);
    if (visible)
        Image1->show();
}

void TSplash::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    if (m_painted)
        return;
    m_painted = true;
    // Queued, so it comes after the picture has been painted and flushed.
    QMetaObject::invokeMethod(this, &TSplash::onScreen, Qt::QueuedConnection);
}

void TSplash::showEvent(QShowEvent *event)
{
    tavlo::centreOnScreen(this);
    QDialog::showEvent(event);
}
