// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/readoutlabel.h"

#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QTextDocument>

#include <cmath>

namespace {

// Every character a timer or clock readout can show. The letters of the
// 12-hour clock are wide, so they count for the cell size only in a text that
// has them.
const QString kCharacters = QStringLiteral("0123456789:- APM");
const QString kNumeric = QStringLiteral("0123456789:- ");

// The characters whose ink a cell must hold room for.
QString inkSet(const QString& text)
{
    QString set = kNumeric;
    for (QChar c : text)
        if (!set.contains(c))
            set.append(c);
    return set;
}

// Room around the ink of a glyph, for antialiased edges and for the rounding
// of the estimated glyph positions (the toolkit places the text itself).
constexpr qreal kInkMargin = 4.0;

bool onlyReadoutCharacters(const QString& text)
{
    for (QChar c : text)
        if (!kCharacters.contains(c))
            return false;
    return !text.isEmpty();
}

quint64 cellKey(QRgb colour, qsizetype position, QChar c)
{
    return (quint64(colour) << 32) | (quint64(position & 0xffff) << 16) | c.unicode();
}

} // namespace

ReadoutLabel::ReadoutLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {}

void ReadoutLabel::setBackdrop(const QColor& colour)
{
    if (colour == m_backdrop)
        return;
    m_backdrop = colour;
    m_layout.valid = false;
    m_cells.clear();
    update();
}

void ReadoutLabel::updateText(const QString& text)
{
    const QString old = QLabel::text();
    if (text == old)
        return;
    // Same length, same layout: the characters that stay keep their pixels.
    const bool cellsOnly = text.size() == old.size() && isVisible() && updatesEnabled() &&
                           onlyReadoutCharacters(old) && onlyReadoutCharacters(text) &&
                           inkSet(old) == inkSet(text) && layoutFor(text).usable;
    if (!cellsOnly) {
        setText(text);
        return;
    }
    // QLabel asks for a repaint of its whole area on every new text; held off
    // here, the repaint covers the changed cells only.
    setAttribute(Qt::WA_UpdatesDisabled, true);
    setText(text);
    setAttribute(Qt::WA_UpdatesDisabled, false);
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text.at(i) != old.at(i))
            update(m_layout.cells.at(i));
}

int ReadoutLabel::textFlags() const
{
    // The flags QLabel paints a plain left-to-right text with.
    int flags = int(QStyle::visualAlignment(Qt::LeftToRight, alignment())) | Qt::TextExpandTabs |
                Qt::TextForceLeftToRight;
    if (wordWrap())
        flags |= Qt::TextWordWrap;
    return flags;
}

QList<int> ReadoutLabel::labelSettings() const
{
    return {int(textFormat()), wordWrap(),  frameWidth(),     margin(),
            indent(),          isEnabled(), layoutDirection()};
}

const ReadoutLabel::Layout& ReadoutLabel::layoutFor(const QString& text)
{
    if (!m_layout.valid || m_layout.length != text.size() || m_layout.rect != contentsRect() ||
        m_layout.flags != textFlags() || m_layout.backdrop != m_backdrop ||
        m_layout.font != font() || m_layout.inkSet != inkSet(text) ||
        m_layout.dpr != devicePixelRatioF() || m_layout.settings != labelSettings()) {
        computeLayout(text);
        m_cells.clear();
    }
    return m_layout;
}

void ReadoutLabel::computeLayout(const QString& text)
{
    Layout l;
    l.valid = true;
    l.rect = contentsRect();
    l.font = font();
    l.length = text.size();
    l.flags = textFlags();
    l.backdrop = m_backdrop;
    l.inkSet = inkSet(text);
    l.dpr = devicePixelRatioF();
    l.settings = labelSettings();
    m_layout = l;

    const qreal dpr = l.dpr;
    const bool plainText = textFormat() == Qt::PlainText ||
                           (textFormat() == Qt::AutoText && !Qt::mightBeRichText(text));
    if (!m_backdrop.isValid() || m_backdrop.alpha() != 255 || !plainText || wordWrap() ||
        frameWidth() != 0 || margin() != 0 || indent() >= 0 || !isEnabled() ||
        layoutDirection() != Qt::LeftToRight || dpr != 1.0 || text.isEmpty())
        return;

    const QFontMetricsF fm(l.font, this);
    const qreal advance = fm.horizontalAdvance(QLatin1Char('0'));
    QRectF ink;
    for (QChar c : kCharacters)
        if (fm.horizontalAdvance(c) != advance)
            return; // not monospaced: positions would depend on the other characters
    for (QChar c : l.inkSet)
        ink |= fm.boundingRect(c);
    const qreal width = advance * qreal(text.size());
    if (advance <= 0 || fm.horizontalAdvance(text) != width)
        return;

    // Where QLabel's drawText puts the line, within a pixel or so.
    const Qt::Alignment align = alignment();
    qreal x = l.rect.left();
    if (align & Qt::AlignRight)
        x = l.rect.left() + l.rect.width() - width;
    else if (align & Qt::AlignHCenter)
        x = l.rect.left() + (l.rect.width() - width) / 2;
    qreal top = l.rect.top();
    if (align & Qt::AlignBottom)
        top = l.rect.top() + l.rect.height() - fm.height();
    else if (align & Qt::AlignVCenter)
        top = l.rect.top() + (l.rect.height() - fm.height()) / 2;
    const qreal baseline = top + fm.ascent();

    const QRect bounds = rect();
    bool clipped = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QRectF cell(x + advance * qreal(i) + ink.left() - kInkMargin,
                          baseline + ink.top() - kInkMargin, ink.width() + 2 * kInkMargin,
                          ink.height() + 2 * kInkMargin);
        const QRect aligned = cell.toAlignedRect();
        const QRect inside = aligned & bounds;
        clipped = clipped || inside != aligned;
        // Neighbouring cells must not share a pixel, or one glyph's edge
        // would end up in the other's image.
        if (inside.isEmpty() || (i > 0 && inside.left() <= m_layout.cells.last().right()))
            return;
        m_layout.cells.append(inside);
    }
    m_layout.usable = true;
    // With a whole-pixel advance every position puts a glyph at the same
    // fraction of a pixel, so one image per character serves them all.
    m_layout.shared = !clipped && advance == std::floor(advance);
}

quint64 ReadoutLabel::keyOf(const QString& text, qsizetype index, QRgb colour) const
{
    return cellKey(colour, m_layout.shared ? -1 : index, text.at(index));
}

void ReadoutLabel::renderCells(const QString& text, const QList<qsizetype>& indices, QRgb colour)
{
    // Images of an earlier colour are not needed again soon: a threshold
    // colour gives way to the next, and a blink alternates between one colour
    // and the backdrop.
    const QRgb backdrop = m_backdrop.rgba();
    for (auto it = m_cells.begin(); it != m_cells.end();) {
        const QRgb kept = QRgb(it.key() >> 32);
        it = kept == colour || kept == backdrop ? std::next(it) : m_cells.erase(it);
    }

    // The text is drawn once over all the cells wanted, as QLabel draws it,
    // and cut into cells.
    QRect strip;
    for (qsizetype i : indices)
        strip |= m_layout.cells.at(i);
    const qreal dpr = devicePixelRatioF();
    QImage image(strip.size() * dpr, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(m_backdrop);
    {
        QPainter p(&image);
        p.translate(-strip.topLeft());
        p.setClipRect(strip);
        p.setFont(font());
        QStyleOption opt;
        opt.initFrom(this);
        style()->drawItemText(&p, m_layout.rect, m_layout.flags, opt.palette, isEnabled(), text,
                              foregroundRole());
    }
    const QRgb plain = qPremultiply(backdrop);
    for (qsizetype i : indices) {
        const quint64 key = keyOf(text, i, colour);
        if (m_cells.contains(key))
            continue;
        const QRect local = m_layout.cells.at(i).translated(-strip.topLeft());
        QImage cell = image.copy(QRect(local.topLeft() * dpr, local.size() * dpr));
        cell.setDevicePixelRatio(dpr);
        // A cell with no ink (a space, or text drawn in the backdrop colour
        // during the hidden half of a blink) is left to the parents' background.
        bool blank = true;
        for (int y = 0; blank && y < cell.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(cell.constScanLine(y));
            for (int x = 0; x < cell.width(); ++x) {
                if (line[x] != plain) {
                    blank = false;
                    break;
                }
            }
        }
        m_cells.insert(key, blank ? QImage() : cell);
    }
}

void ReadoutLabel::paintEvent(QPaintEvent* e)
{
    const QString t = text();
    QStyleOption opt;
    opt.initFrom(this);
    const QBrush brush = opt.palette.brush(foregroundRole());
    if (!onlyReadoutCharacters(t) || brush.style() != Qt::SolidPattern || !layoutFor(t).usable) {
        QLabel::paintEvent(e);
        return;
    }
    const QRgb colour = brush.color().rgba();
    QList<qsizetype> wanted;
    for (qsizetype i = 0; i < t.size(); ++i)
        if (e->region().intersects(m_layout.cells.at(i)) && !m_cells.contains(keyOf(t, i, colour)))
            wanted.append(i);
    if (!wanted.isEmpty())
        renderCells(t, wanted, colour);
    QPainter p(this);
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QRect cell = m_layout.cells.at(i);
        if (!e->region().intersects(cell))
            continue;
        const QImage& image = m_cells[keyOf(t, i, colour)];
        if (!image.isNull())
            p.drawImage(cell.topLeft(), image);
    }
}
