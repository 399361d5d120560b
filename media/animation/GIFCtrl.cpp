#include "media/animation/GIFCtrl.h"

#include "media/base/Exceptions.h"
#include "media/pictures/Resources.h"
#include "media/base/ScreenScale.h"

#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScopeGuard>
#include <QThread>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <utility>

using namespace tavlo;

namespace {

constexpr int MinFrameInterval = 50;
constexpr int MaxFrameInterval = 10000;

bool onThreadOf(const QObject *object)
{
    return QThread::currentThread() == object->thread();
}

} // namespace

// ---------------------------------------------------------------------------
// TRxImageControl

TRxImageControl::TRxImageControl(QWidget *parent)
    : QWidget{parent}
{
    resize(105, 105);
    // Layout properties are all set before the event loop gets a turn (the
    // generated setup code runs in one go), so the first turn ends loading.
    QMetaObject::invokeMethod(this, [this] { loaded(); }, Qt::QueuedConnection);
}

void TRxImageControl::loaded()
{
    m_loading = false;
}

QColor TRxImageControl::Color() const
{
    return palette().color(QPalette::Window);
}

void TRxImageControl::paintEvent(QPaintEvent *event)
{
    std::exception_ptr error;
    {
        QPainter canvas(this);
        paintAtScreenScale(canvas);
        // A tick repaints only what its frame changed: the frame is told
        // how little it needs to draw. Qt clips the painting to it already,
        // so no clip of our own is set up on every paint.
        m_exposed = event->rect();
        auto whole = qScopeGuard([this] { m_exposed = QRect(); });
        if (!showsParentBackground())
            canvas.fillRect(rect(), Color());
        const bool wasInPaint = m_inPaint.load();
        m_inPaint = true;
        try {
            PaintFrame(canvas, size());
        } catch (const std::exception &) {
            error = std::current_exception();
        }
        m_inPaint = wasInPaint;
    }
    if (error)
        paintFailed(error);
}

bool TRxImageControl::event(QEvent *event)
{
    if (event->type() == QEvent::Polish && m_loading)
        loaded();
    return QWidget::event(event);
}

void TRxImageControl::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        event->accept();
    else
        event->ignore();
}

void TRxImageControl::mouseDoubleClickEvent(QMouseEvent *event)
{
    mousePressEvent(event);
}

// ---------------------------------------------------------------------------
// TRxGIFAnimator

TRxGIFAnimator::TRxGIFAnimator(QWidget *parent)
    : TRxImageControl{parent}
    , m_timer{std::make_unique<TRxTimer>()}
{
    m_image.setOnChange([this] { HandleImageChange(); });
    m_image.setChangeLock(&ControlLock);
    m_clientSize = size();
    m_color = Color();
    // Not on screen until it is shown in a window that is.
    m_timer->setPaused(true);
}

TRxGIFAnimator::~TRxGIFAnimator()
{
    // Nobody hears about a control that is going away.
    disconnect(this, &TRxGIFAnimator::OnStart, nullptr, nullptr);
    disconnect(this, &TRxGIFAnimator::OnStop, nullptr, nullptr);
    disconnect(this, &TRxGIFAnimator::OnChange, nullptr, nullptr);
    disconnect(this, &TRxGIFAnimator::OnFrameChanged, nullptr, nullptr);
    m_destroying = true;
    if (m_watchedWindow)
        m_watchedWindow->removeEventFilter(this);
    setAnimate(false);
    // The timer goes before the picture it paints: once it is destroyed no
    // tick is running or pending.
    m_timer.reset();
    QMutexLocker lock(&ControlLock);
    m_composer.reset();
    forgetTwin();
    m_image.setOnChange(nullptr);
    m_image.setChangeLock(nullptr);
}

void TRxGIFAnimator::setAsyncDrawing(bool value)
{
    if (m_asyncDrawing == value)
        return;
    QMutexLocker lock(&ControlLock);
    m_timer->setSyncEvent(!value);
    m_asyncDrawing = value;
}

void TRxGIFAnimator::setAnimate(bool value)
{
    if (m_animate == value)
        return;
    if (value) {
        {
            QMutexLocker lock(&ControlLock);
            m_animate = true;
        }
        m_timer->setOnTimer([this] { timerTick(); });
        m_timer->setEnabled(true);
        {
            QMutexLocker lock(&ControlLock);
            m_animate = m_timer->Enabled();
        }
        emit OnStart();
    } else {
        m_timer->setEnabled(false);
        m_timer->setOnTimer(nullptr);
        {
            // Waits for a tick already under way on the pacing thread; one
            // that has not yet taken the lock finds the animation stopped.
            QMutexLocker lock(&ControlLock);
            m_animate = false;
        }
        emit OnStop();
        ImageUpdated();
    }
}

void TRxGIFAnimator::setLoop(bool value)
{
    QMutexLocker lock(&ControlLock);
    m_loop = value;
}

void TRxGIFAnimator::setAutoSize(bool value)
{
    if (m_autoSize == value)
        return;
    m_autoSize = value;
    ImageUpdated();
}

void TRxGIFAnimator::setCenter(bool value)
{
    if (m_center == value)
        return;
    {
        QMutexLocker lock(&ControlLock);
        m_center = value;
    }
    ImageUpdated();
    if (m_animate)
        repaint();
}

void TRxGIFAnimator::setStretch(bool value)
{
    if (m_stretch == value)
        return;
    {
        QMutexLocker lock(&ControlLock);
        m_stretch = value;
    }
    ImageUpdated();
    if (m_animate)
        repaint();
}

void TRxGIFAnimator::setTransparent(bool value)
{
    if (m_transparent == value)
        return;
    {
        QMutexLocker lock(&ControlLock);
        m_transparent = value;
    }
    ImageUpdated();
    if (m_animate)
        repaint();
}

void TRxGIFAnimator::setFrameIndex(int value)
{
    {
        QMutexLocker lock(&ControlLock);
        if (value == m_frameIndex || value < 0 || value >= m_image.Count())
            return;
        m_frameIndex = value;
        if (m_image.Count() > 0)
            m_timer->setInterval(std::uint32_t(FrameInterval(value)));
    }
    emit OnFrameChanged();
    ImageUpdated();
}

void TRxGIFAnimator::setImage(const TGIFImage &value)
{
    m_image = value;
}

void TRxGIFAnimator::setImageResource(const QString &name)
{
    if (name == m_imageResource)
        return;
    const QByteArray gif = name.isEmpty() ? QByteArray() : resourceBytes(QStringLiteral("GIF"), name);
    // The image's layout data: a little-endian length, then the GIF itself.
    QByteArray data;
    const auto size = std::uint32_t(gif.size());
    for (int shift = 0; shift < 32; shift += 8)
        data.append(char((size >> shift) & 0xFF));
    data.append(gif);
    m_imageResource = name;
    QMutexLocker lock(&ControlLock);
    m_readingResource = true;
    auto done = qScopeGuard([this] { m_readingResource = false; });
    m_image.ReadLayoutData(QByteArrayView(data));
}

int TRxGIFAnimator::FrameInterval(int i) const
{
    const int count = m_image.Count();
    if (count < 2 || i < 0 || i >= count)
        return 0;
    return std::clamp(int(m_image.Frames(i).Delay()), MinFrameInterval, MaxFrameInterval);
}

void TRxGIFAnimator::HandleImageChange()
{
    {
        QMutexLocker lock(&ControlLock);
        m_composer.reset();
        forgetTwin();
        // Only the embedded pictures have a twice-size rendering; a picture
        // loaded from anywhere else is painted as it is on every screen.
        if (m_readingResource && !m_imageResource.isEmpty())
            m_twinResource = m_imageResource + QStringLiteral("@2X");
        m_frameIndex = m_image.CurrentFrame();
        if (m_frameIndex >= 0 && m_image.Count() > 0)
            m_timer->setInterval(std::uint32_t(FrameInterval(m_frameIndex)));
    }
    ImageUpdated();
    emit OnChange();
}

void TRxGIFAnimator::ImageUpdated()
{
    if (m_destroying)
        return;
    FitToImage();
    // Every surface Qt draws on is true-colour: there is no palette to
    // realise, so a palette change is simply taken note of.
    if (!isHidden() && !loading() && m_image.PaletteModified())
        m_image.setPaletteModified(false);
    if (!m_inPaint)
        update();
}

void TRxGIFAnimator::FitToImage()
{
    // During layout reading the layout's size stands.
    if (loading() || !m_autoSize || m_image.Empty())
        return;
    // A screen too large to compose keeps the control at its size: its
    // paint fails before it allocates anything, and a window of that size
    // would cost as much.
    if (std::int64_t(m_image.ScreenWidth()) * m_image.ScreenHeight() > maxGifScreenPixels)
        return;
    const QSize screen(m_image.ScreenWidth(), m_image.ScreenHeight());
    if (size() != screen)
        setGeometry(x(), y(), screen.width(), screen.height());
}

bool TRxGIFAnimator::canAdvance() const
{
    if (!onThreadOf(this))
        return m_shown && m_parentReady;
    const QWidget *parent = parentWidget();
    return !isHidden() && parent != nullptr && parent->window()->testAttribute(Qt::WA_WState_Created);
}

void TRxGIFAnimator::timerTick()
{
    // A tick that began before the animation was stopped does nothing:
    // FrameIndex stays where the stop left it.
    QMutexLocker lock(&ControlLock);
    if (m_animate)
        AdvanceFrame();
}

void TRxGIFAnimator::AdvanceFrame()
{
    if (!canAdvance())
        return;
    QMutexLocker lock(&ControlLock);
    // A tick reaching us from inside our own paint (through a nested event
    // loop) would paint within the paint.
    const int count = m_image.Count();
    if (m_inPaint || count < 2)
        return;
    m_frameIndex = m_frameIndex < count - 1 ? m_frameIndex + 1 : 0;
    {
        QMutexLocker surface(&m_surfaceLock);
        m_timerRepaint = true;
        // Each frame stays for its own delay, counted from the end of the
        // tick that showed it, whether or not the painting succeeded.
        auto finish = qScopeGuard([this, count] {
            m_timerRepaint = false;
            if (m_frameIndex >= 0 && m_frameIndex < count)
                m_timer->setInterval(std::uint32_t(FrameInterval(m_frameIndex)));
        });
        fireFrameChanged();
        if (onThreadOf(this))
            showChange();
        else
            presentFromThread();
    }
    if (!m_loop && m_frameIndex == 0) {
        if (onThreadOf(this)) {
            setAnimate(false);
        } else {
            // No further tick may run before the window thread stops us.
            m_timer->setEnabled(false);
            QMetaObject::invokeMethod(this, [this] { setAnimate(false); }, Qt::QueuedConnection);
        }
    }
}

void TRxGIFAnimator::fireFrameChanged()
{
    if (onThreadOf(this)) {
        emit OnFrameChanged();
        return;
    }
    // From the pacing thread the notification is handed over without waiting
    // for it: the tick holds ControlLock, and a window thread painting at that
    // moment waits for the same lock.
    if (isSignalConnected(QMetaMethod::fromSignal(&TRxGIFAnimator::OnFrameChanged)))
        QMetaObject::invokeMethod(this, [this] { emit OnFrameChanged(); }, Qt::QueuedConnection);
}

void TRxGIFAnimator::PaintNow()
{
    if (!onThreadOf(this)) {
        presentFromThread();
        return;
    }
    m_tickPaintError = nullptr;
    repaint();
    // A frame that cannot be decoded fails the tick that wanted to show it.
    if (auto error = std::exchange(m_tickPaintError, nullptr))
        std::rethrow_exception(error);
}

void TRxGIFAnimator::showChange()
{
    // Composed here rather than in the paint, with the stream the paint
    // will draw from, so that only what the new frame changed is repainted;
    // a frame that looks like the one before repaints nothing. A frame that
    // cannot be decoded fails the tick that wanted to show it.
    const bool twice = devicePixelRatioF() > 1.0 && twin() != nullptr;
    TColor key = clNone;
    ComposeFrame(m_frameIndex, key, twice);
    QRect changed = (twice ? m_twinComposer : m_composer).changed();
    if (changed.isEmpty())
        return;
    if (twice)
        changed = QRect(QPoint(changed.left() / 2, changed.top() / 2), QPoint(changed.right() / 2, changed.bottom() / 2));
    const QSize picture(m_image.ScreenWidth(), m_image.ScreenHeight());
    const QRect dest = placement(size());
    QRect area;
    if (dest.size() == picture) {
        area = changed.translated(dest.topLeft());
    } else {
        // Stretched: whole pixels of the control that show any changed pixel.
        const auto scaled = [](int value, int to, int from) { return int(std::int64_t(value) * to / from); };
        area = QRect(QPoint(scaled(changed.left(), dest.width(), picture.width()),
                            scaled(changed.top(), dest.height(), picture.height())),
                     QPoint(scaled(changed.right() + 1, dest.width(), picture.width()),
                            scaled(changed.bottom() + 1, dest.height(), picture.height())))
                   .translated(dest.topLeft());
    }
    // Rounding to the screen's pixels, or filtering, reaches one pixel
    // further.
    if (dest.size() != picture || devicePixelRatioF() != std::floor(devicePixelRatioF()))
        area.adjust(-1, -1, 1, 1);
    area &= rect();
    if (area.isEmpty())
        return;
    m_tickPaintError = nullptr;
    repaint(area);
    if (auto error = std::exchange(m_tickPaintError, nullptr))
        std::rethrow_exception(error);
}

void TRxGIFAnimator::paintFailed(std::exception_ptr error)
{
    if (m_timerRepaint) {
        m_tickPaintError = error;
        return;
    }
    try {
        std::rethrow_exception(error);
    } catch (const std::exception &failure) {
        TRxTimer::showException(failure);
    }
}

void TRxGIFAnimator::presentFromThread()
{
    // Qt paints widgets on the window thread only: the pacing thread does the
    // work (composition, keying, scaling) into a picture of the client size
    // and the window thread only copies it onto the screen.
    QMutexLocker surface(&m_surfaceLock);
    QImage picture((QSizeF(m_clientSize) * m_pixelRatio).toSize(), QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(m_pixelRatio);
    picture.fill(Qt::transparent);
    {
        QPainter canvas(&picture);
        paintAtScreenScale(canvas);
        if (!showsParentBackground())
            canvas.fillRect(picture.rect(), m_color);
        m_inPaint = true;
        auto restore = qScopeGuard([this] { m_inPaint = false; });
        PaintFrame(canvas, m_clientSize);
    }
    m_presented = std::move(picture);
    m_presentedIndex = m_frameIndex;
    QMetaObject::invokeMethod(this, [this] { repaint(); }, Qt::QueuedConnection);
}

void TRxGIFAnimator::paintEvent(QPaintEvent *event)
{
    QMutexLocker lock(&ControlLock);
    if (m_asyncDrawing) {
        QMutexLocker surface(&m_surfaceLock);
        // The pacing thread draws at the screen's pixel ratio as last seen here.
        const qreal ratio = devicePixelRatio();
        const bool sameRatio = ratio == m_pixelRatio;
        m_pixelRatio = ratio;
        if (!m_presented.isNull() && m_presentedIndex == m_frameIndex && sameRatio
            && m_presented.deviceIndependentSize().toSize() == size()) {
            QPainter canvas(this);
            paintAtScreenScale(canvas);
            canvas.drawImage(0, 0, m_presented);
            return;
        }
    }
    TRxImageControl::paintEvent(event);
}

bool TRxGIFAnimator::showsParentBackground() const
{
    return m_image.Empty() || m_image.Transparent();
}

QRect TRxGIFAnimator::placement(QSize client) const
{
    // Placed by the image's own logical screen, whichever stream paints.
    const QSize picture(m_image.ScreenWidth(), m_image.ScreenHeight());
    if (m_stretch)
        return QRect(QPoint(0, 0), client);
    if (m_center) {
        // Integer division truncates toward zero: a picture larger than the
        // control gets negative offsets, shifted by half a pixel less.
        return QRect((client.width() - picture.width()) / 2, (client.height() - picture.height()) / 2,
                     picture.width(), picture.height());
    }
    return QRect(QPoint(0, 0), picture);
}

void TRxGIFAnimator::PaintFrame(QPainter &canvas, QSize client)
{
    if (m_image.Empty() || m_image.ScreenWidth() < 1 || m_image.ScreenHeight() < 1)
        return;
    // A surface of more than one pixel per control pixel gets the
    // twice-size frames, filtered smoothly to any ratio but 2.
    const qreal ratio = canvas.device() ? canvas.device()->devicePixelRatio() : 1.0;
    const bool twice = ratio > 1.0 && twin() != nullptr;
    const bool smooth = twice && ratio != 2.0;
    TColor key = clNone;
    const QImage &composed = ComposeFrame(m_frameIndex, key, twice);
    // Keyed, the picture is drawn as composed, its key pixels clear over what
    // lies beneath; a control that is not transparent shows the key colour.
    const QImage &picture = key != clNone && !m_transparent
        ? (twice ? m_twinComposer : m_composer).cache()
        : composed;
    const QRect dest = placement(client);
    // The painter's hint is put back by hand: a save and restore would
    // allocate a painter state on every paint.
    const bool wasSmooth = canvas.testRenderHint(QPainter::SmoothPixmapTransform);
    canvas.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    auto restore = qScopeGuard([&canvas, wasSmooth] { canvas.setRenderHint(QPainter::SmoothPixmapTransform, wasSmooth); });
    const QSize logical(m_image.ScreenWidth(), m_image.ScreenHeight());
    if (dest.size() == logical && !smooth) {
        // Pixel for pixel: only the part to be repainted is drawn.
        const QRect exposed = m_exposed.isNull() ? dest : m_exposed;
        const QRect part = dest & exposed;
        const int scale = twice ? 2 : 1;
        if (!part.isEmpty())
            canvas.drawImage(part, picture, QRect((part.topLeft() - dest.topLeft()) * scale, part.size() * scale));
    } else {
        canvas.drawImage(dest, picture);
    }
}

const QImage &TRxGIFAnimator::ComposeFrame(int index, TColor &key, bool twice)
{
    if (!twice)
        return m_composer.compose(m_image, index, key);
    // The twin follows the image's own choice of background brush.
    m_twin.setTransparent(m_image.Transparent());
    return m_twinComposer.compose(m_twin, index, key);
}

const TGIFImage *TRxGIFAnimator::twin()
{
    if (!m_twinRead) {
        m_twinRead = true;
        const QString type = QStringLiteral("GIF");
        if (!m_twinResource.isEmpty() && resourceExists(type, m_twinResource)) {
            try {
                const QByteArray gif = resourceBytes(type, m_twinResource);
                m_twin.LoadGIF(QByteArrayView(gif));
            } catch (const Exception &) {
                // A damaged twin: the picture itself is painted instead.
                m_twin = TGIFImage();
            }
        }
    }
    // Frames that do not match the picture's one for one would not follow
    // FrameIndex or land where the picture's do.
    const bool matches = !m_twin.Empty() && m_twin.Count() == m_image.Count()
        && m_twin.ScreenWidth() == 2 * m_image.ScreenWidth()
        && m_twin.ScreenHeight() == 2 * m_image.ScreenHeight();
    return matches ? &m_twin : nullptr;
}

void TRxGIFAnimator::forgetTwin()
{
    m_twinComposer.reset();
    m_twin = TGIFImage();
    m_twinRead = false;
    m_twinResource.clear();
}

void TRxGIFAnimator::resizeEvent(QResizeEvent *event)
{
    {
        QMutexLocker surface(&m_surfaceLock);
        m_clientSize = event->size();
    }
    TRxImageControl::resizeEvent(event);
    FitToImage();
}

bool TRxGIFAnimator::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::ParentChange:
    case QEvent::Polish: {
        const QWidget *parent = parentWidget();
        m_parentReady = parent != nullptr && parent->window()->testAttribute(Qt::WA_WState_Created);
        break;
    }
    case QEvent::PaletteChange: {
        QMutexLocker surface(&m_surfaceLock);
        m_color = Color();
        break;
    }
    default:
        break;
    }
    if (event->type() == QEvent::Show || event->type() == QEvent::Hide || event->type() == QEvent::ParentChange)
        followVisibility();
    return TRxImageControl::event(event);
}

void TRxGIFAnimator::setVisible(bool visible)
{
    TRxImageControl::setVisible(visible);
    m_shown = !isHidden();
}

bool TRxGIFAnimator::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_watchedWindow && event->type() == QEvent::Expose)
        followVisibility();
    return TRxImageControl::eventFilter(watched, event);
}

void TRxGIFAnimator::followVisibility()
{
    if (m_destroying || !m_timer)
        return;
    QWindow *handle = window()->windowHandle();
    if (handle != m_watchedWindow) {
        if (m_watchedWindow)
            m_watchedWindow->removeEventFilter(this);
        m_watchedWindow = handle;
        if (handle)
            handle->installEventFilter(this);
    }
    // A minimised window's controls stay visible to Qt; they get a
    // spontaneous hide and show, and their window loses its exposure.
    const bool onScreen = isVisible() && !window()->isMinimized() && handle && handle->isExposed();
    m_timer->setPaused(!onScreen);
}
