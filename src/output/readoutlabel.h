// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QList>
#include <QRect>

// A label for the output window's huge readouts (the timer and the clock).
//
// A plain label draws its text again from the glyph outlines on every repaint;
// at the readout's size (hundreds of pixels high) that is most of what a tick
// costs. This label draws each character once into a small image of its own
// cell, over the backdrop it is shown against, keeps the images while the
// size, font and backdrop stay, and on a tick repaints only the cells whose
// character changed, by copying their images. The pixels are the plain
// label's: every cell image is drawn by the very same call the plain label
// paints with, clipped to the cell.
//
// Cells are used for a monospaced font whose glyphs leave a gap between
// neighbours, for text made of digits, the colon, the minus, the space and the
// letters of AM and PM; anything else (small sizes, other characters, rich
// text, frames, margins, a device pixel ratio other than 1, no backdrop) is
// painted exactly as QLabel paints it. (On a screen scaled by 2 the cell
// images drawn into the window's backing store differed from the plain
// label's painting in edge pixels, so HiDPI screens keep the plain painting.)
class ReadoutLabel : public QLabel {
    Q_OBJECT

  public:
    explicit ReadoutLabel(const QString& text, QWidget* parent = nullptr);

    // The solid colour the label is shown against (its parents paint it); cell
    // images are drawn over it. An invalid colour turns the cells off.
    void setBackdrop(const QColor& colour);
    QColor backdrop() const { return m_backdrop; }

    // Sets the text like QLabel::setText, but when only some characters change
    // and the layout stays, asks for a repaint of those characters' cells only.
    void updateText(const QString& text);

  protected:
    void paintEvent(QPaintEvent* e) override;

  private:
    // Where each character's cell lies for the current text length, font,
    // size and alignment; empty when the cells cannot be used.
    struct Layout {
        bool valid = false; // computed for the inputs below
        bool usable = false;
        bool shared = false; // one image per character serves every position
        QRect rect;
        QFont font;
        qsizetype length = -1;
        int flags = 0;
        QColor backdrop;
        QString inkSet;
        qreal dpr = 1;
        QList<int> settings; // labelSettings() they were worked out under
        QList<QRect> cells;
    };

    int textFlags() const;
    // The label's own settings that decide whether cells can be used.
    QList<int> labelSettings() const;
    const Layout& layoutFor(const QString& text);
    void computeLayout(const QString& text);
    quint64 keyOf(const QString& text, qsizetype index, QRgb colour) const;
    // Draws the text once and keeps the images of the cells at indices.
    void renderCells(const QString& text, const QList<qsizetype>& indices, QRgb colour);

    QColor m_backdrop;
    Layout m_layout;
    // Cell images by colour, position (or -1 when shared) and character; a
    // null image is a cell with nothing but backdrop in it.
    QHash<quint64, QImage> m_cells;
};
