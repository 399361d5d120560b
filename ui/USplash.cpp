#include "ui/USplash.h"

#include "ui/Keys.h"
#include "ui/StartUp.h"
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
    setAccessibleName(QStringLiteral("Tavlo"));
    connect(Image1, &tavlo::PictureBox::clicked, this, &TSplash::Image1Click);
    // Placed before its native window exists: a compositor's X window
    // manager takes the position a window is created at.
    tavlo::centreOnScreen(this);
    if (!Splash)
        Splash = this;
    tavlo::noteWindowCreated(objectName());
}

TSplash::~TSplash()
{
    if (Splash == this)
        Splash = nullptr;
}

int TSplash::ShowModal()
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
