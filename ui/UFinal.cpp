#include "ui/UFinal.h"

#include "ui/Keys.h"
#include "ui/WindowOrder.h"
#include "ui/WindowPlacement.h"

#include <QKeyEvent>

#include <malloc.h>

TFinal *Final = nullptr;

TFinal::TFinal(QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setupUi(this);
    setObjectName(QStringLiteral("Final"));
    setFixedSize(300, 300);
    connect(Image1, &tavlo::PictureBox::clicked, this, &TFinal::Image1Click);
    tavlo::finishPictureWindow(this, Final);
}

TFinal::~TFinal()
{
    if (Final == this)
        Final = nullptr;
}

void TFinal::showResult(const QString &text)
{
    RxLabel1->setCaption(text);
    // Read out by screen readers as the window comes up.
    setAccessibleName(text);
    RxLabel1->setAccessibleName(text);
    show();
    raise();
    activateWindow();
}

void TFinal::Image1Click()
{
    hide();
}

void TFinal::keyPressEvent(QKeyEvent *event)
{
    if (tavlo::isClickKey(event->key())) {
        Image1Click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TFinal::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    // It shows again only at the end of another game, if ever: its picture
    // is decoded again then rather than kept meanwhile.
    Image1->setJpegResource(Image1->jpegResource());
    // What the picture and its decoding held goes back to the system, once
    // the hide is over, rather than staying with the program for
    // allocations that may not come.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (isHidden())
                malloc_trim(0);
        },
        Qt::QueuedConnection);
}

void TFinal::showEvent(QShowEvent *event)
{
    tavlo::centreOnScreen(this);
    // The program has one taskbar entry, and that one is hidden too.
    tavlo::hideFromTaskbar(this);
    QWidget::showEvent(event);
}
