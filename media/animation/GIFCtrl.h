#pragma once

// A control that plays an animated GIF inside its rectangle, over whatever
// its parent window paints beneath it.

#include "media/base/Colors.h"
#include "media/animation/FrameComposer.h"
#include "media/gif/RxGIF.h"
#include "media/animation/RxTimer.h"

#include <QImage>
#include <QMutex>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <atomic>
#include <exception>
#include <cstdint>
#include <memory>
#include <mutex>

// The base: a child widget without a background of its own, so that Qt paints
// the parent (and the siblings below) first and the control draws on top.
// That is how the parent's background shows through transparent pixels; Qt's
// backing store also gives the double buffering, so nothing flickers.
class TRxImageControl : public QWidget {
    Q_OBJECT

public:
    explicit TRxImageControl(QWidget *parent = nullptr);

    // True while the control's properties are still arriving from a window
    // layout: from construction until the event loop first runs, the control
    // is polished, or loaded() is called, whichever comes first.
    bool loading() const { return m_loading; }
    virtual void loaded();

    bool InPaint() const { return m_inPaint.load(); }

protected:
    // The control's colour: its parent's, as a child palette inherits it.
    QColor Color() const;
    // True when the picture lets what lies beneath show through; otherwise
    // the client area is first filled with the control's colour.
    virtual bool showsParentBackground() const { return true; }
    virtual void PaintFrame(QPainter &canvas, QSize client) = 0;
    // A paint that failed: Qt's painting cannot carry the failure on, so it
    // is handed here once the painter is closed.
    virtual void paintFailed(std::exception_ptr error) = 0;

    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;
    // Left clicks belong to the control, as on any control (the window's own
    // click handler is for clicks outside its controls); other buttons go on
    // to the parent, whose context menu opens anywhere.
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

    // Standard primitives, so that thread checkers see every lock.
    mutable std::recursive_mutex ControlLock;
    // Read outside ControlLock by setters on the window thread.
    std::atomic<bool> m_inPaint{false};
    // The part of the control a paint request asks for; null outside one
    // (all of it).
    QRect m_exposed;

private:
    bool m_loading{true};
};

class TRxGIFAnimator : public TRxImageControl {
    Q_OBJECT
    Q_PROPERTY(bool AsyncDrawing READ AsyncDrawing WRITE setAsyncDrawing)
    Q_PROPERTY(bool Animate READ Animate WRITE setAnimate)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE setAutoSize)
    Q_PROPERTY(bool Center READ Center WRITE setCenter)
    Q_PROPERTY(int FrameIndex READ FrameIndex WRITE setFrameIndex)
    // The embedded GIF (resource type "GIF") that a layout gives as the
    // image's data; read through the layout-data path of the image.
    Q_PROPERTY(QString imageResource READ imageResource WRITE setImageResource)
    Q_PROPERTY(bool Loop READ Loop WRITE setLoop)
    Q_PROPERTY(bool Stretch READ Stretch WRITE setStretch)
    Q_PROPERTY(bool Transparent READ Transparent WRITE setTransparent)

public:
    explicit TRxGIFAnimator(QWidget *parent = nullptr);
    ~TRxGIFAnimator() override;

    bool AsyncDrawing() const { return m_asyncDrawing; }
    void setAsyncDrawing(bool value);
    bool Animate() const { return m_animate.load(); }
    void setAnimate(bool value);
    bool AutoSize() const { return m_autoSize; }
    void setAutoSize(bool value);
    bool Center() const { return m_center; }
    void setCenter(bool value);
    int FrameIndex() const { return m_frameIndex; }
    void setFrameIndex(int value);
    bool Loop() const { return m_loop; }
    void setLoop(bool value);
    bool Stretch() const { return m_stretch; }
    void setStretch(bool value);
    bool Transparent() const { return m_transparent; }
    void setTransparent(bool value);

    // The picture, owned by the control. Loading into it (ReadLayoutData,
    // LoadGIF) or assigning to it raises its change notification, which the
    // control follows; both run under ControlLock, so a tick drawing on the
    // pacing thread never sees the picture half replaced.
    tavlo::TGIFImage &Image() { return m_image; }
    const tavlo::TGIFImage &Image() const { return m_image; }
    void setImage(const tavlo::TGIFImage &value);

    QString imageResource() const { return m_imageResource; }
    // Loads the embedded GIF name into the image. Its twice-size rendering,
    // NAME@2X (same frames, delays and disposal, every size and offset
    // doubled), is what the control paints on a surface whose pixel ratio
    // is above 1; it is looked up and decoded only when such a surface is
    // first painted. An image loaded or assigned any other way has no twin.
    void setImageResource(const QString &name);

    // The time frame i stays on screen: its delay clamped to 50..10000 ms;
    // 0 for an index outside the frames or an image of fewer than 2 frames.
    int FrameInterval(int i) const;

    // One tick of the timer: the next frame, composed and shown at once.
    void AdvanceFrame();
    // Repaints the control at once (from the pacing thread with AsyncDrawing:
    // composes there and hands the picture to the window thread).
    void PaintNow();

    // True while a tick paints.
    bool TimerRepaint() const { return m_timerRepaint.load(); }

signals:
    void OnStart();
    void OnStop();
    void OnChange();
    void OnFrameChanged();

protected:
    bool showsParentBackground() const override;
    void PaintFrame(QPainter &canvas, QSize client) override;
    void paintFailed(std::exception_ptr error) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool event(QEvent *event) override;

public:
    void setVisible(bool visible) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class tavlo::testing::AnimationProbe;

    void HandleImageChange();
    void ImageUpdated();
    void FitToImage();
    bool canAdvance() const;
    void timerTick();
    // The picture of frame index, from the image or, with twice, from its
    // twice-size rendering: both streams go through the same composition.
    const QImage &ComposeFrame(int index, tavlo::TColor &key, bool twice = false);
    // The twice-size rendering, read on the first call after an image
    // change; null when the image has none or it does not match the image.
    const tavlo::TGIFImage *twin();
    void forgetTwin();
    void presentFromThread();
    // A tick's repaint: only the part of the control the new frame changed.
    void showChange();
    // Where the picture lands in a client area of that size.
    QRect placement(QSize client) const;
    void fireFrameChanged();
    // Holds the timer while the control cannot be seen (hidden, window not
    // yet on screen, minimised or unmapped): nothing wakes for frames nobody
    // sees, and ticking goes on from the same frame once it shows again.
    void followVisibility();

    std::unique_ptr<TRxTimer> m_timer;
    tavlo::TGIFImage m_image;
    QString m_imageResource;

    bool m_asyncDrawing{false};
    // Written under ControlLock; a tick that finds it false does nothing.
    std::atomic<bool> m_animate{false};
    bool m_autoSize{true};
    bool m_center{false};
    // Read by the window thread while a tick on the pacing thread moves it.
    std::atomic<int> m_frameIndex{0};
    bool m_loop{true};
    bool m_stretch{false};
    bool m_transparent{true};
    std::atomic<bool> m_timerRepaint{false};
    bool m_destroying{false};
    std::exception_ptr m_tickPaintError;

    tavlo::FrameComposer m_composer;

    // The twice-size stream: the resource it comes from (empty for none),
    // the image once read, and its own composition, kept in step with
    // FrameIndex whenever a scaled surface is painted.
    QString m_twinResource;
    bool m_readingResource{false};
    bool m_twinRead{false};
    tavlo::TGIFImage m_twin;
    tavlo::FrameComposer m_twinComposer;
    // The window whose exposure decides whether the control can be seen.
    QPointer<QWindow> m_watchedWindow;

    // What the pacing thread may not ask Qt for, kept up to date by the
    // window thread (used with AsyncDrawing only).
    std::atomic<bool> m_shown{true};
    std::atomic<bool> m_parentReady{false};
    // The drawing surface: a picture composed on the pacing thread, waiting
    // for the window thread to show it (AsyncDrawing only).
    std::recursive_mutex m_surfaceLock;
    QImage m_presented;
    int m_presentedIndex{-1};
    QSize m_clientSize;
    qreal m_pixelRatio{1.0};
    QColor m_color;
};

