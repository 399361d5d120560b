#include "ui/PictureBox.h"

#include "media/base/Exceptions.h"
#include "media/pictures/HiDpi.h"
#include "media/pictures/Resources.h"
#include "media/base/ScreenScale.h"

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
    releaseTwin(m_picture);
    m_picture = QImage();
    m_pending = !name.isEmpty();
    update();
}

const QImage &PictureBox::picture() const
{
    if (m_pending) {
        m_pending = false;
        try {
            m_picture = loadJpegResource(m_resource);
        } catch (const Exception &) {
            // Nothing is shown; the embedded pictures always load.
        }
    }
    return m_picture;
}

void PictureBox::setPicture(const QImage &picture)
{
    // The picture it replaces is not shown again.
    releaseTwin(m_picture);
    m_pending = false;
    m_picture = picture;
    update();
}

void PictureBox::paintEvent(QPaintEvent *)
{
    if (picture().isNull())
        return;
    QPainter p(this);
    paintAtScreenScale(p);
    drawPicture(p, QPoint(0, 0), m_picture);
}

void PictureBox::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit clicked();
}

} // namespace tavlo
