#include "media/label/RxLabel.h"

#include "media/base/ScreenScale.h"

#include <QApplication>
#include <QCursor>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcutEvent>

#include <algorithm>

using namespace tavlo;

TRxCustomLabel::TRxCustomLabel(QWidget *parent)
    : QWidget(parent)
{
    resize(65, 17);
    connect(qApp, &QApplication::focusChanged, this, &TRxCustomLabel::focusChanged);
}

TRxCustomLabel::~TRxCustomLabel() = default;

void TRxCustomLabel::setCaption(const QString &caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    update();
    updateMnemonic();
    FitBounds();
}

TColor TRxCustomLabel::color() const
{
    if (!m_parentColor)
        return m_color;
    const QWidget *from = parentWidget() ? parentWidget() : this;
    return fromQColor(from->palette().color(from->backgroundRole()));
}

void TRxCustomLabel::setColor(TColor color)
{
    if (color == m_color && !m_parentColor)
        return;
    m_color = color;
    m_parentColor = false;
    update();
}

void TRxCustomLabel::setParentColor(bool parentColor)
{
    if (parentColor == m_parentColor)
        return;
    m_parentColor = parentColor;
    update();
}

void TRxCustomLabel::setFontColor(TColor color)
{
    if (color == m_fontColor)
        return;
    m_fontColor = color;
    update();
}

QFont TRxCustomLabel::labelFont() const
{
    QFont f = font();
    if (f.pixelSize() <= 0 && f.pointSizeF() > 0)
        f.setPixelSize(qRound(f.pointSizeF()));
    f.setStyleStrategy(QFont::StyleStrategy(f.styleStrategy() | QFont::NoAntialias));
    return f;
}

void TRxCustomLabel::setMargins(int left, int right)
{
    if (left == m_leftMargin && right == m_rightMargin)
        return;
    m_leftMargin = left;
    m_rightMargin = right;
    FitBounds();
    update();
}

void TRxCustomLabel::setAlignment(TAlignment alignment)
{
    if (alignment == m_alignment)
        return;
    m_alignment = alignment;
    update();
}

void TRxCustomLabel::setAutoSize(bool autoSize)
{
    if (autoSize == m_autoSize)
        return;
    m_autoSize = autoSize;
    FitBounds();
}

void TRxCustomLabel::setFocusControl(QWidget *control)
{
    disconnect(m_focusControlWatch);
    m_focusControl = control;
    if (control)
        m_focusControlWatch = connect(control, &QObject::destroyed, this, &TRxCustomLabel::focusControlDestroyed);
    if (m_showFocus)
        update();
    updateMnemonic();
}

void TRxCustomLabel::focusControlDestroyed()
{
    setFocusControl(nullptr);
}

void TRxCustomLabel::setLayout(TTextLayout layout)
{
    if (layout == m_layout)
        return;
    m_layout = layout;
    update();
}

void TRxCustomLabel::setShadowColor(TColor color)
{
    if (color == m_shadowColor)
        return;
    m_shadowColor = color;
    update();
}

void TRxCustomLabel::setShadowSize(int size)
{
    const auto value = std::uint8_t(std::clamp(size, 0, 255));
    if (value == m_shadowSize)
        return;
    m_shadowSize = value;
    FitBounds();
    update();
}

void TRxCustomLabel::setShadowPos(TShadowPosition pos)
{
    if (pos == m_shadowPos)
        return;
    m_shadowPos = pos;
    update();
}

void TRxCustomLabel::setShowAccelChar(bool show)
{
    if (show == m_showAccelChar)
        return;
    m_showAccelChar = show;
    update();
    updateMnemonic();
}

void TRxCustomLabel::setShowFocus(bool show)
{
    if (show == m_showFocus)
        return;
    m_showFocus = show;
    update();
}

void TRxCustomLabel::setTransparent(bool transparent)
{
    if (transparent == m_transparent)
        return;
    m_transparent = transparent;
    update();
}

void TRxCustomLabel::setWordWrap(bool wrap)
{
    if (wrap == m_wordWrap)
        return;
    m_wordWrap = wrap;
    FitBounds();
    // A fixed-size label would otherwise keep showing the old line breaks.
    update();
}

TColor TRxCustomLabel::GetTextColor() const
{
    return m_fontColor;
}

QString TRxCustomLabel::GetShownText() const
{
    return m_caption;
}

void TRxCustomLabel::paintEvent(QPaintEvent *)
{
    if (!isEnabled())
        m_leftButtonHeld = false;
    QPainter p(this);
    paintAtScreenScale(p);
    if (!m_transparent) {
        const QColor fill = toQColor(color());
        if (fill.isValid())
            p.fillRect(rect(), fill);
    }

    TRect r{0, 0, width(), height()};
    r.Left += m_leftMargin;
    r.Right -= m_rightMargin;
    r.Left += 1;
    r.Right -= 1;

    unsigned flags = DT_EXPANDTABS;
    if (m_wordWrap)
        flags |= DT_WORDBREAK;
    switch (m_alignment) {
    case TAlignment::taLeftJustify: flags |= DT_LEFT; break;
    case TAlignment::taRightJustify: flags |= DT_RIGHT; break;
    case TAlignment::taCenter: flags |= DT_CENTER; break;
    }

    if (m_layout != TTextLayout::tlTop) {
        DrawLabelText(r, flags | DT_CALCRECT, &p);
        r.Left = m_leftMargin;
        r.Right = width() - m_rightMargin;
        int shift = height() - r.Bottom;
        if (m_layout == TTextLayout::tlCenter)
            shift /= 2; // truncates towards zero: a taller text moves up by the smaller half
        r.Top += shift;
        r.Bottom += shift;
    }
    DrawLabelText(r, flags, &p);

    if (m_showFocus && m_focusControl && m_focusTargetActive) {
        r.Left -= 1;
        r.Right += 1;
        // A dotted frame that inverts every other pixel, so it shows on any
        // background and a second drawing would take it away.
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.setPen(Qt::white);
        for (int x = r.Left; x < r.Right; ++x) {
            for (int y : {r.Top, r.Bottom - 1}) {
                if (((x + y) & 1) == 0)
                    p.drawPoint(x, y);
            }
        }
        for (int y = r.Top + 1; y < r.Bottom - 1; ++y) {
            for (int x : {r.Left, r.Right - 1}) {
                if (((x + y) & 1) == 0)
                    p.drawPoint(x, y);
            }
        }
    }
}

void TRxCustomLabel::DrawLabelText(TRect &r, unsigned flags, QPainter *painter)
{
    QString text = GetShownText();
    // An empty caption still measures one line high.
    if ((flags & DT_CALCRECT) && (text.isEmpty() || (m_showAccelChar && text == QLatin1String("&"))))
        text += QLatin1Char(' ');
    if (!m_showAccelChar)
        flags |= DT_NOPREFIX;

    TextSurface surface{painter, labelFont(), toQColor(GetTextColor())};
    TShadowPosition pos = m_shadowPos;
    int size = m_shadowSize;
    TColor shade = m_shadowColor;
    if (!isEnabled()) {
        // An engraved look even when the label itself has no shadow.
        if (m_shadowSize == 0) {
            pos = TShadowPosition::spRightBottom;
            size = 1;
        }
        surface.textColor = toQColor(clGrayText);
        shade = clBtnHighlight;
    }
    DrawShadowedText(surface, text, r, flags, size, toQColor(shade), pos);
}

int TRxCustomLabel::DrawShadowedText(TextSurface &surface, const QString &text, TRect &r, unsigned flags,
                                     int size, const QColor &shade, TShadowPosition pos)
{
    TRect rText = r;
    TRect rShadow = r;
    const QColor kept = surface.textColor;
    surface.textColor = shade;
    int dx = 0;
    int dy = 0;
    switch (pos) {
    case TShadowPosition::spLeftTop: dx = -size; dy = -size; break;
    case TShadowPosition::spLeftBottom: dx = -size; dy = size; break;
    case TShadowPosition::spRightBottom: dx = size; dy = size; break;
    case TShadowPosition::spRightTop: dx = size; dy = -size; break;
    }
    rShadow.Left += dx;
    rShadow.Right += dx;
    rShadow.Top += dy;
    rShadow.Bottom += dy;
    int h = layoutText(surface, text, rShadow, flags);
    if (h > 0)
        h += size;
    surface.textColor = kept;
    layoutText(surface, text, rText, flags);
    r = unionOf(rText, rShadow);
    return h;
}

void TRxCustomLabel::FitBounds()
{
    if (!m_autoSize)
        return;
    TRect r{0, 0, width(), height()};
    r.Left += m_leftMargin;
    r.Right -= m_rightMargin;
    r.Left += 1;
    r.Right -= 1;
    unsigned flags = DT_EXPANDTABS | DT_CALCRECT;
    if (m_wordWrap)
        flags |= DT_WORDBREAK;
    // Measuring needs no surface: the font's metrics are the same everywhere.
    DrawLabelText(r, flags, nullptr);
    r.Left -= m_leftMargin;
    r.Right += m_rightMargin;
    r.Left -= 1;
    r.Right += 1;
    int x = this->x();
    if (m_alignment == TAlignment::taRightJustify)
        x += width() - r.Right;
    setGeometry(x, y(), std::max(0, r.Right), std::max(0, r.Bottom));
}

bool TRxCustomLabel::applicationInForeground()
{
    QWidget *active = QApplication::activeWindow();
    return active && QApplication::topLevelWidgets().contains(active);
}

void TRxCustomLabel::UpdateMouseInside()
{
    const QPoint p = QCursor::pos();
    const bool inside = isEnabled() && QApplication::widgetAt(p) == this && applicationInForeground();
    if (inside == m_mouseInside)
        return;
    m_mouseInside = inside;
    if (inside)
        mouseEnter();
    else
        mouseLeave();
}

void TRxCustomLabel::mouseEnter()
{
    emit OnMouseEnter(this);
}

void TRxCustomLabel::mouseLeave()
{
    emit OnMouseLeave(this);
}

void TRxCustomLabel::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    switch (event->type()) {
    case QEvent::FontChange:
        update();
        FitBounds();
        break;
    case QEvent::EnabledChange:
        update();
        UpdateMouseInside();
        break;
    case QEvent::PaletteChange:
        if (m_parentColor || isSystemColor(m_fontColor) || isSystemColor(m_shadowColor))
            update();
        break;
    default:
        break;
    }
}

void TRxCustomLabel::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    UpdateMouseInside();
}

void TRxCustomLabel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        // Keeping the press makes the release come back here, like a click
        // on a control of its own.
        event->accept();
        if (isEnabled())
            m_leftButtonHeld = true;
        return;
    }
    QWidget::mousePressEvent(event);
    if (event->button() == Qt::RightButton)
        UpdateMouseInside();
}

void TRxCustomLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        event->accept();
    else
        QWidget::mouseReleaseEvent(event);
    if (m_leftButtonHeld && event->button() == Qt::LeftButton)
        m_leftButtonHeld = false;
    UpdateMouseInside();
}

void TRxCustomLabel::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    if (!m_mouseInside && isEnabled() && applicationInForeground()) {
        m_mouseInside = true;
        mouseEnter();
    }
}

void TRxCustomLabel::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    if (m_mouseInside && isEnabled() && !m_leftButtonHeld) {
        m_mouseInside = false;
        mouseLeave();
    }
}

void TRxCustomLabel::focusChanged(QWidget *, QWidget *now)
{
    // Only focus moves inside the label's own window concern it.
    if (!now || now->window() != window())
        return;
    const bool active = m_focusControl && now == m_focusControl;
    if (active == m_focusTargetActive)
        return;
    m_focusTargetActive = active;
    if (m_showFocus)
        update();
}

void TRxCustomLabel::updateMnemonic()
{
    if (m_mnemonicId != 0) {
        releaseShortcut(m_mnemonicId);
        m_mnemonicId = 0;
    }
    if (!m_focusControl || !m_showAccelChar)
        return;
    const QKeySequence key = QKeySequence::mnemonic(GetShownText());
    if (!key.isEmpty())
        m_mnemonicId = grabShortcut(key);
}

bool TRxCustomLabel::event(QEvent *event)
{
    if (event->type() == QEvent::Shortcut) {
        auto *shortcut = static_cast<QShortcutEvent *>(event);
        if (m_mnemonicId != 0 && shortcut->shortcutId() == m_mnemonicId) {
            QWidget *target = m_focusControl;
            if (target && isEnabled() && m_showAccelChar && target->isEnabled() && target->isVisible()
                && target->focusPolicy() != Qt::NoFocus) {
                target->setFocus(Qt::ShortcutFocusReason);
                return true;
            }
            return false;
        }
    }
    return QWidget::event(event);
}
