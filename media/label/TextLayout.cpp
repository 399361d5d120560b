#include "media/label/TextLayout.h"

#include <QFontMetrics>
#include <QList>
#include <QPainter>

#include <algorithm>

namespace tavlo {

TRect unionOf(const TRect &a, const TRect &b)
{
    const bool aEmpty = a.Right <= a.Left || a.Bottom <= a.Top;
    const bool bEmpty = b.Right <= b.Left || b.Bottom <= b.Top;
    if (aEmpty && bEmpty)
        return {};
    if (aEmpty)
        return b;
    if (bEmpty)
        return a;
    return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
            std::max(a.Bottom, b.Bottom)};
}

namespace {

// One line as it is drawn: the characters shown, and which of them carry a
// mnemonic underline.
struct Line {
    QString text;
    QList<int> underlined;
};

class LineMeasure {
public:
    LineMeasure(const QFont &font, bool expandTabs)
        : m_metrics(font), m_expandTabs(expandTabs)
    {
        m_tabWidth = std::max(1, 8 * m_metrics.averageCharWidth());
    }

    const QFontMetrics &metrics() const { return m_metrics; }

    // Advance of text[0, end), tabs jumping to the next stop from the line's
    // start.
    int width(const QString &text, qsizetype end) const
    {
        if (!m_expandTabs)
            return m_metrics.horizontalAdvance(text.left(end));
        int x = 0;
        qsizetype segment = 0;
        for (qsizetype i = 0; i < end; ++i) {
            if (text.at(i) == QLatin1Char('\t')) {
                x += m_metrics.horizontalAdvance(text.mid(segment, i - segment));
                x = (x / m_tabWidth + 1) * m_tabWidth;
                segment = i + 1;
            }
        }
        return x + m_metrics.horizontalAdvance(text.mid(segment, end - segment));
    }
    int width(const QString &text) const { return width(text, text.size()); }

    int tabWidth() const { return m_tabWidth; }
    bool expandTabs() const { return m_expandTabs; }

private:
    QFontMetrics m_metrics;
    bool m_expandTabs;
    int m_tabWidth{1};
};

// "&x" shows x underlined, "&&" shows one ampersand, a lone trailing "&"
// shows nothing.
Line stripPrefixes(const QString &paragraph)
{
    Line line;
    for (qsizetype i = 0; i < paragraph.size(); ++i) {
        const QChar c = paragraph.at(i);
        if (c != QLatin1Char('&')) {
            line.text += c;
            continue;
        }
        if (++i >= paragraph.size())
            break;
        if (paragraph.at(i) != QLatin1Char('&'))
            line.underlined.append(int(line.text.size()));
        line.text += paragraph.at(i);
    }
    return line;
}

QList<QString> splitParagraphs(const QString &text)
{
    QList<QString> paragraphs;
    QString current;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            paragraphs.append(current);
            current.clear();
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
        } else {
            current += c;
        }
    }
    paragraphs.append(current);
    return paragraphs;
}

Line slice(const Line &from, qsizetype start, qsizetype end)
{
    Line part{from.text.mid(start, end - start), {}};
    for (int u : from.underlined)
        if (u >= start && u < end)
            part.underlined.append(int(u - start));
    return part;
}

// Greedy breaking between words: a line takes words while they fit, the
// spaces where it breaks are dropped, and a word wider than the line stays
// whole on a line of its own.
void wrap(const Line &paragraph, int maxWidth, const LineMeasure &measure, QList<Line> &lines)
{
    const QString &s = paragraph.text;
    const qsizetype n = s.size();
    auto isSpace = [&](qsizetype i) { return s.at(i) == QLatin1Char(' '); };
    qsizetype pos = 0;
    for (;;) {
        const qsizetype lineStart = pos;
        qsizetype end = lineStart;
        qsizetype i = lineStart;
        while (i < n) {
            qsizetype j = i;
            while (j < n && isSpace(j))
                ++j;
            while (j < n && !isSpace(j))
                ++j;
            const QString candidate = s.mid(lineStart, j - lineStart);
            if (end != lineStart && measure.width(candidate) > maxWidth)
                break;
            end = j;
            i = j;
        }
        qsizetype trimmed = end;
        while (trimmed > lineStart && isSpace(trimmed - 1))
            --trimmed;
        lines.append(slice(paragraph, lineStart, trimmed));
        pos = end;
        while (pos < n && isSpace(pos))
            ++pos;
        if (pos >= n)
            break;
    }
}

void drawLine(QPainter &p, const Line &line, int x, int top, const LineMeasure &measure)
{
    const QFontMetrics &fm = measure.metrics();
    const int baseline = top + fm.ascent();
    if (measure.expandTabs() && line.text.contains(QLatin1Char('\t'))) {
        qsizetype segment = 0;
        for (qsizetype i = 0; i <= line.text.size(); ++i) {
            if (i == line.text.size() || line.text.at(i) == QLatin1Char('\t')) {
                p.drawText(QPoint(x + measure.width(line.text, segment), baseline),
                           line.text.mid(segment, i - segment));
                segment = i + 1;
            }
        }
    } else {
        p.drawText(QPoint(x, baseline), line.text);
    }
    for (int u : line.underlined) {
        const int left = x + measure.width(line.text, u);
        const int right = x + measure.width(line.text, u + 1);
        p.fillRect(QRect(left, baseline + fm.underlinePos(), right - left, std::max(1, fm.lineWidth())),
                   p.pen().color());
    }
}

} // namespace

int layoutText(const TextSurface &surface, const QString &text, TRect &r, unsigned flags)
{
    if (text.isEmpty()) {
        if (flags & DT_CALCRECT) {
            r.Right = r.Left;
            r.Bottom = r.Top;
        }
        return 0;
    }
    const LineMeasure measure(surface.font, flags & DT_EXPANDTABS);
    QList<Line> lines;
    for (const QString &paragraph : splitParagraphs(text)) {
        const Line line = (flags & DT_NOPREFIX) ? Line{paragraph, {}} : stripPrefixes(paragraph);
        if (flags & DT_WORDBREAK)
            wrap(line, r.width(), measure, lines);
        else
            lines.append(line);
    }
    const int lineHeight = measure.metrics().height();
    const int textHeight = int(lines.size()) * lineHeight;

    if (flags & DT_CALCRECT) {
        int widest = 0;
        for (const Line &line : lines)
            widest = std::max(widest, measure.width(line.text));
        r.Right = r.Left + widest;
        r.Bottom = r.Top + textHeight;
        return textHeight;
    }

    if (!surface.painter || !surface.textColor.isValid() || r.width() <= 0 || r.height() <= 0)
        return textHeight;
    QPainter &p = *surface.painter;
    p.save();
    p.setClipRect(QRect(r.Left, r.Top, r.width(), r.height()), Qt::IntersectClip);
    p.setFont(surface.font);
    p.setPen(surface.textColor);
    p.setBrush(Qt::NoBrush);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int top = r.Top + int(i) * lineHeight;
        if (top >= r.Bottom)
            break;
        const int w = measure.width(lines[i].text);
        int x = r.Left;
        if (flags & DT_CENTER)
            x = r.Left + (r.width() - w) / 2;
        else if (flags & DT_RIGHT)
            x = r.Right - w;
        drawLine(p, lines[i], x, top, measure);
    }
    p.restore();
    return textHeight;
}

} // namespace tavlo
