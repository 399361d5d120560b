#include "ui/PictureBox.h"

#include "media/Exceptions.h"
#include "media/Resources.h"

#include <QMouseEvent>
#include <QPainter>

namespace tavlo {

PictureBox::PictureBox(QWidget *parent)
    : QWidget(parent)
{
}

void PictureBox::setJpegResource(const QString &name)
{
    m_resource = name;
    try {
        setPicture(loadJpegResource(name));
    } catch (const Exception &) {
        // Nothing to show is shown; the embedded pictures always load.
        setPicture(QImage());
    }
}

void PictureBox::setPicture(const QImage &picture)
{
    m_picture = picture;
    setAttribute(Qt::WA_OpaquePaintEvent, !m_picture.isNull() && m_picture.size() == size());
    update();
}

void PictureBox::paintEvent(QPaintEvent *)
{
    if (m_picture.isNull())
        return;
    QPainter p(this);
    p.drawImage(QPoint(0, 0), m_picture);
}

void PictureBox::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit clicked();
}

} // namespace tavlo
