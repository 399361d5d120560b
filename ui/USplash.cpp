#include "ui/USplash.h"

#include "ui/StartUp.h"
#include "ui/WindowPlacement.h"

TSplash *Splash = nullptr;

TSplash::TSplash(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setupUi(this);
    setObjectName(QStringLiteral("Splash"));
    setFixedSize(300, 300);
    setModal(true);
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

void TSplash::releasePicture()
{
    Image1->setPicture(QImage());
    destroy();
}

void TSplash::showEvent(QShowEvent *event)
{
    tavlo::centreOnScreen(this);
    QDialog::showEvent(event);
}
