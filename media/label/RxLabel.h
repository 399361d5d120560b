#pragma once

// The shadowed label: a windowless text label that draws its caption twice,
// first a shadow copy shifted diagonally in the shadow colour, then the text
// in the font colour on top. Transparent, it paints only glyph strokes over
// whatever its parent drew beneath (a child QWidget without auto-fill: Qt
// paints the parent first); opaque, it fills its bounds with Color.
//
// Using it from a Qt Designer layout
// ----------------------------------
// Declare it as a custom widget:
//   <customwidget><class>TRxLabel</class><extends>QWidget</extends>
//                 <header>media/label/RxLabel.h</header></customwidget>
// uic turns <property name="Xxx"> into setXxx(...) and writes <enum> values
// verbatim, so every enumerated or colour property is given as
// <enum>TRxLabel::name</enum>:
//   AutoSize       <bool>            put it FIRST: while it is true, every font
//                                    or caption change resizes the label
//   geometry       <rect>            Left, Top, Width, Height
//   Alignment      <enum>TRxLabel::taLeftJustify | taRightJustify | taCenter
//   Layout         <enum>TRxLabel::tlTop | tlCenter | tlBottom
//   ShadowColor    <enum>TRxLabel::clGray (or clBtnHighlight, clBlack, ...)
//                  or <number> holding a colour value (0x00BBGGRR)
//   ShadowSize     <number>          pixels, 0..255
//   ShadowPos      <enum>TRxLabel::spLeftTop | spLeftBottom | spRightBottom
//                                    | spRightTop
//   ShowAccelChar, ShowFocus, Transparent, WordWrap, ParentColor  <bool>
//   Color          like ShadowColor; the fill of an opaque label (setting it
//                  clears ParentColor)
//   FontColor      like ShadowColor; the text colour (default clWindowText)
//   font           <font> with <family>, <pointsize>, <bold>. The label
//                  works in pixels: a point size N is drawn as N-pixel
//                  characters (N = 24 is the toolkit's font height -24)
//   enabled        <bool>            QWidget's own
//   Caption        <string>
//
// A counter, as the main window places it:
//   <widget class="TRxLabel" name="LabelPionB">
//    <property name="AutoSize"><bool>false</bool></property>
//    <property name="geometry"><rect><x>105</x><y>262</y>
//      <width>43</width><height>29</height></rect></property>
//    <property name="Alignment"><enum>TRxLabel::taCenter</enum></property>
//    <property name="font"><font><family>Times New Roman</family>
//      <pointsize>24</pointsize><bold>true</bold></font></property>
//    <property name="FontColor"><enum>TRxLabel::clBlack</enum></property>
//    <property name="ShadowColor"><enum>TRxLabel::clGray</enum></property>
//    <property name="ShadowPos"><enum>TRxLabel::spRightBottom</enum></property>
//    <property name="Transparent"><bool>true</bool></property>
//    <property name="Caption"><string>0</string></property>
//   </widget>
//
// Mnemonics: with ShowAccelChar and a FocusControl, Alt + the underlined
// letter gives FocusControl the keyboard focus (a Qt shortcut the label
// grabs); Qt has no unmodified dialog characters.

#include "media/base/Colors.h"
#include "media/label/TextLayout.h"

#include <QPointer>
#include <QWidget>
#include <cstdint>

namespace tavlo::testing {
class LabelProbe;
}

class TRxCustomLabel : public QWidget {
    Q_OBJECT

public:
    enum class TAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };
    Q_ENUM(TAlignment)
    enum class TTextLayout : std::uint8_t { tlTop, tlCenter, tlBottom };
    Q_ENUM(TTextLayout)
    enum class TShadowPosition : std::uint8_t { spLeftTop, spLeftBottom, spRightBottom, spRightTop };
    Q_ENUM(TShadowPosition)

    explicit TRxCustomLabel(QWidget *parent = nullptr);
    ~TRxCustomLabel() override;

    // Layout is also the name of a label property (setLayout(TTextLayout));
    // the widget's own layout setter stays reachable.
    using QWidget::setLayout;

    // The base's caption: a new text invalidates, then refits the bounds;
    // the same text again does nothing at all.
    QString caption() const { return m_caption; }
    void setCaption(const QString &caption);

    // The toolkit's colour of the label: the parent's background unless set.
    tavlo::TColor color() const;
    void setColor(tavlo::TColor color);
    bool parentColor() const { return m_parentColor; }
    void setParentColor(bool parentColor);

    // The colour the font draws in.
    tavlo::TColor fontColor() const { return m_fontColor; }
    void setFontColor(tavlo::TColor color);

    // The font the label lays its text out with: the widget's font, in
    // pixels (a point size is taken as that many pixels), not antialiased so
    // that text and shadow keep their exact colours.
    QFont labelFont() const;

    // Re-fits the bounds to the text when AutoSize is on.
    void FitBounds();

    // Extra insets of the text rectangle (0 unless a subclass wants more).
    int leftMargin() const { return m_leftMargin; }
    int rightMargin() const { return m_rightMargin; }
    void setMargins(int left, int right);

signals:
    void OnMouseEnter(TRxCustomLabel *sender);
    void OnMouseLeave(TRxCustomLabel *sender);

protected:
    TAlignment alignment() const { return m_alignment; }
    void setAlignment(TAlignment alignment);
    bool autoSize() const { return m_autoSize; }
    void setAutoSize(bool autoSize);
    QWidget *focusControl() const { return m_focusControl; }
    void setFocusControl(QWidget *control);
    TTextLayout textLayout() const { return m_layout; }
    void setLayout(TTextLayout layout);
    tavlo::TColor shadowColor() const { return m_shadowColor; }
    void setShadowColor(tavlo::TColor color);
    int shadowSize() const { return m_shadowSize; }
    void setShadowSize(int size);
    TShadowPosition shadowPos() const { return m_shadowPos; }
    void setShadowPos(TShadowPosition pos);
    bool showAccelChar() const { return m_showAccelChar; }
    void setShowAccelChar(bool show);
    bool showFocus() const { return m_showFocus; }
    void setShowFocus(bool show);
    bool transparent() const { return m_transparent; }
    void setTransparent(bool transparent);
    bool wordWrap() const { return m_wordWrap; }
    void setWordWrap(bool wrap);

    virtual tavlo::TColor GetTextColor() const;
    virtual QString GetShownText() const;

    // Draws (or, with DT_CALCRECT, measures) the shown text and its shadow
    // in r on the given surface.
    void DrawLabelText(tavlo::TRect &r, unsigned flags, QPainter *painter);
    // Shadow copy first, then the text; r becomes the union of both and
    // the result is the text height plus the shadow size (0 for no text).
    static int DrawShadowedText(tavlo::TextSurface &surface, const QString &text, tavlo::TRect &r,
                                unsigned flags, int size, const QColor &shade, TShadowPosition pos);

    void UpdateMouseInside();
    virtual void mouseEnter();
    virtual void mouseLeave();

    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    bool event(QEvent *event) override;

private:
    friend class tavlo::testing::LabelProbe;

    void focusChanged(QWidget *old, QWidget *now);
    void focusControlDestroyed();
    void updateMnemonic();
    static bool applicationInForeground();

    QString m_caption;
    QPointer<QWidget> m_focusControl;
    QMetaObject::Connection m_focusControlWatch;
    TAlignment m_alignment{TAlignment::taLeftJustify};
    bool m_autoSize{true};
    TTextLayout m_layout{TTextLayout::tlTop};
    tavlo::TColor m_shadowColor{tavlo::clBtnHighlight};
    std::uint8_t m_shadowSize{1};
    TShadowPosition m_shadowPos{TShadowPosition::spLeftTop};
    bool m_wordWrap{false};
    bool m_showAccelChar{true};
    bool m_showFocus{false};
    bool m_transparent{false};
    bool m_focusTargetActive{false};
    bool m_mouseInside{false};
    bool m_leftButtonHeld{false};
    int m_leftMargin{0};
    int m_rightMargin{0};
    tavlo::TColor m_color{tavlo::clBtnFace};
    bool m_parentColor{true};
    tavlo::TColor m_fontColor{tavlo::clWindowText};
    int m_mnemonicId{0};
};

// The label as layouts see it: the properties a layout may set, with the
// names uic turns into setter calls, and the enumerated values a layout
// names as TRxLabel::xxx.
class TRxLabel : public TRxCustomLabel {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)
    Q_PROPERTY(TRxCustomLabel::TAlignment Alignment READ alignment WRITE setAlignment)
    Q_PROPERTY(bool AutoSize READ autoSize WRITE setAutoSize)
    Q_PROPERTY(QWidget *FocusControl READ focusControl WRITE setFocusControl)
    Q_PROPERTY(TRxCustomLabel::TTextLayout Layout READ textLayout WRITE setLayout)
    Q_PROPERTY(int ShadowColor READ shadowColor WRITE setShadowColor)
    Q_PROPERTY(int ShadowSize READ shadowSize WRITE setShadowSize)
    Q_PROPERTY(TRxCustomLabel::TShadowPosition ShadowPos READ shadowPos WRITE setShadowPos)
    Q_PROPERTY(bool ShowAccelChar READ showAccelChar WRITE setShowAccelChar)
    Q_PROPERTY(bool ShowFocus READ showFocus WRITE setShowFocus)
    Q_PROPERTY(bool Transparent READ transparent WRITE setTransparent)
    Q_PROPERTY(bool WordWrap READ wordWrap WRITE setWordWrap)
    Q_PROPERTY(int Color READ color WRITE setColor)
    Q_PROPERTY(bool ParentColor READ parentColor WRITE setParentColor)
    Q_PROPERTY(int FontColor READ fontColor WRITE setFontColor)

public:
    using TRxCustomLabel::TRxCustomLabel;

    using TRxCustomLabel::alignment;
    using TRxCustomLabel::autoSize;
    using TRxCustomLabel::focusControl;
    using TRxCustomLabel::setAlignment;
    using TRxCustomLabel::setAutoSize;
    using TRxCustomLabel::setFocusControl;
    using TRxCustomLabel::setLayout;
    using TRxCustomLabel::setShadowColor;
    using TRxCustomLabel::setShadowPos;
    using TRxCustomLabel::setShadowSize;
    using TRxCustomLabel::setShowAccelChar;
    using TRxCustomLabel::setShowFocus;
    using TRxCustomLabel::setTransparent;
    using TRxCustomLabel::setWordWrap;
    using TRxCustomLabel::shadowColor;
    using TRxCustomLabel::shadowPos;
    using TRxCustomLabel::shadowSize;
    using TRxCustomLabel::showAccelChar;
    using TRxCustomLabel::showFocus;
    using TRxCustomLabel::textLayout;
    using TRxCustomLabel::transparent;
    using TRxCustomLabel::wordWrap;

    static constexpr TAlignment taLeftJustify = TAlignment::taLeftJustify;
    static constexpr TAlignment taRightJustify = TAlignment::taRightJustify;
    static constexpr TAlignment taCenter = TAlignment::taCenter;
    static constexpr TTextLayout tlTop = TTextLayout::tlTop;
    static constexpr TTextLayout tlCenter = TTextLayout::tlCenter;
    static constexpr TTextLayout tlBottom = TTextLayout::tlBottom;
    static constexpr TShadowPosition spLeftTop = TShadowPosition::spLeftTop;
    static constexpr TShadowPosition spLeftBottom = TShadowPosition::spLeftBottom;
    static constexpr TShadowPosition spRightBottom = TShadowPosition::spRightBottom;
    static constexpr TShadowPosition spRightTop = TShadowPosition::spRightTop;

    static constexpr tavlo::TColor clNone = tavlo::clNone;
    static constexpr tavlo::TColor clBlack = tavlo::clBlack;
    static constexpr tavlo::TColor clWhite = tavlo::clWhite;
    static constexpr tavlo::TColor clGray = tavlo::clGray;
    static constexpr tavlo::TColor clWindow = tavlo::clWindow;
    static constexpr tavlo::TColor clWindowText = tavlo::clWindowText;
    static constexpr tavlo::TColor clBtnFace = tavlo::clBtnFace;
    static constexpr tavlo::TColor clGrayText = tavlo::clGrayText;
    static constexpr tavlo::TColor clBtnHighlight = tavlo::clBtnHighlight;
};
