#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

namespace tavlo {

// A picture control: shows a "JPEG" resource at its own size at its top-left
// (from its twice-size rendering on a scaled screen) and reports clicks. Layouts name the picture through jpegResource.
class PictureBox : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString jpegResource READ jpegResource WRITE setJpegResource)

public:
    explicit PictureBox(QWidget *parent = nullptr);

    QString jpegResource() const { return m_resource; }
    // Names the picture to show. It is decoded when first needed, so a
    // window that is made at start-up but shown later costs nothing before.
    // Naming it again lets the decoded picture go until it is needed again.
    // A picture that cannot be loaded leaves the control empty.
    void setJpegResource(const QString &name);

    const QImage &picture() const;
    void setPicture(const QImage &picture);

signals:
    // A press with the left button (the toolkit's click).
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QString m_resource;
    mutable QImage m_picture;
    mutable bool m_pending{false};
};

} // namespace tavlo
