// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/theme.h"

#include <QApplication>
#include <QFont>
#include <QFontInfo>
#include <QStringList>

namespace {

// The size of the program's text, unless a widget says otherwise.
constexpr int kTextPx = 13;

// Rules of equal weight that set the same property are resolved by order, so
// the order below matters. Widgets add their own small style sheets on top.
const char* const kTheme = R"(
QMainWindow, QDialog { background-color: #1c1c1c; }
QWidget { background-color: #1c1c1c; color: #e8e8e8; font-family: %1; font-size: %2px; }

QPushButton {
  background-color: #2b2b2b;
  color: #e8e8e8;
  border: 1px solid #444;
  border-radius: 4px;
  padding: 6px 14px;
  min-height: 28px;
}
QPushButton:hover { background-color: #383838; border-color: #666; }
QPushButton:pressed { background-color: #1a6633; }
QPushButton:checked { background-color: #1a5c2a; border-color: #2a9c4a; color: #ffffff; }
QPushButton:disabled { background-color: #222; color: #555; border-color: #333; }

QPushButton#startBtn { background-color: #1a5c1a; border-color: #2a8c2a; font-weight: bold; font-size: 14px; }
QPushButton#startBtn:hover { background-color: #226622; }
QPushButton#pauseBtn { background-color: #5c4a00; border-color: #8c7000; font-weight: bold; }
QPushButton#pauseBtn:hover { background-color: #6e5900; }
QPushButton#resetBtn { background-color: #5c1a1a; border-color: #8c2a2a; font-weight: bold; }
QPushButton#resetBtn:hover { background-color: #6e2020; }
QPushButton#settingsBtn { background-color: transparent; border: 1px solid #444; font-size: 16px; min-width: 36px; }
QPushButton#outputToggleBtn { background-color: #1a3a5c; border-color: #2a5c8c; font-weight: bold; }
QPushButton#outputToggleBtn:hover { background-color: #224a6e; }

QLabel#timerPreview {
  color: #00cc00;
  font-size: 48px;
  font-weight: bold;
  font-family: monospace;
  padding: 4px 16px;
}
QLabel#sectionHeader {
  color: #888;
  font-size: 10px;
  font-weight: bold;
  text-transform: uppercase;
  letter-spacing: 1px;
}

QLineEdit {
  background-color: #2b2b2b;
  color: #e8e8e8;
  border: 1px solid #444;
  border-radius: 3px;
  padding: 4px 8px;
  font-size: 13px;
}
QLineEdit:focus { border-color: #2a8c4a; }

QFrame[frameShape="4"], QFrame[frameShape="5"] { color: #333; }
QScrollArea { background-color: #1c1c1c; border: none; }
QScrollBar:vertical { background: #1c1c1c; width: 8px; }
QScrollBar::handle:vertical { background: #444; border-radius: 4px; min-height: 20px; }
QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }
QStatusBar { background-color: #161616; color: #888; font-size: 11px; }

QTabWidget::pane { border: 1px solid #444; background: #1c1c1c; }
QTabBar::tab { background: #2b2b2b; color: #aaa; padding: 6px 16px; border: 1px solid #444; border-bottom: none; }
QTabBar::tab:selected { background: #1c1c1c; color: #e8e8e8; }
QTabBar::tab:hover { background: #333; }

QListWidget { background-color: #2b2b2b; border: 1px solid #444; color: #e8e8e8; }
QListWidget::item:selected { background-color: #1a5c2a; }

QListWidget#presetList {
  background: transparent;
  border: none;
  padding: 0;
}
QListWidget#presetList::item {
  background: #2b2b2b;
  border: 1px solid #444;
  padding: 4px 10px;
  color: #e8e8e8;
  min-width: 54px;
}
QListWidget#presetList::item:selected { background: #1a5c2a; border-color: #2a9c4a; }
QListWidget#presetList::item:hover { background: #383838; border-color: #666; }
QCheckBox { spacing: 8px; }
QCheckBox::indicator { width: 16px; height: 16px; border: 1px solid #555; border-radius: 2px; background: #2b2b2b; }
QCheckBox::indicator:checked { background: #1a6633; border-color: #2a9c4a; }
QRadioButton { spacing: 8px; }
QDialogButtonBox QPushButton { min-width: 80px; }
QColorDialog { background: #1c1c1c; }
    )";

// What setKnownFaces() was told.
KnownFaces& knownFaces()
{
    static KnownFaces known;
    return known;
}

// A name that single quotes in a style sheet can hold.
bool quotable(const QString& face)
{
    return !face.isEmpty() && !face.contains(QLatin1Char('\'')) &&
           !face.contains(QLatin1Char('\\'));
}

} // namespace

void setKnownFaces(const KnownFaces& faces)
{
    knownFaces() = faces;
}

QString monospaceFamily()
{
    const QString& face = knownFaces().monospaceFace;
    return quotable(face) ? face : QStringLiteral("monospace");
}

void applyTheme()
{
    // Text in Segoe UI where it is installed (left out where it is known not
    // to be: a family that is not there costs a fallback search), otherwise
    // in the face the system gives its default font (named here as the face
    // it resolves to, since a generic name in the list would be passed
    // over). Symbola follows: the symbols on the control window's buttons
    // (⏸ ⏱ 🕐) are found only there on a usual Linux system, and naming it
    // spares the toolkit a search for them through every installed font
    // (fontconfig's sorted fallback list) on the way to the first frame. The
    // pictures are the same either way.
    // Worked out once: the face is asked of the toolkit, which loads the font
    // to answer, unless it is known already (setKnownFaces()).
    // The application font is the sheet's text font: widgets start out in the
    // application font before the sheet reaches them (a line edit lays its
    // text out as it is made), and a font of its own would be loaded for that.
    struct Look {
        QString sheet;
        QFont font;
    };
    static const Look look = [] {
        const QFont font = QGuiApplication::font();
        const KnownFaces& known = knownFaces();
        const QString textFace = !known.sansFace.isEmpty() && font.family() == known.sansFamily
                                     ? known.sansFace
                                     : QFontInfo(font).family();
        // A name that single quotes cannot hold would break the whole sheet.
        const QString generic = QStringLiteral("sans-serif");
        QStringList textFamilies{quotable(textFace) ? textFace : generic, QStringLiteral("Symbola"),
                                 generic};
        if (known.segoeUiInstalled.value_or(true))
            textFamilies.prepend(QStringLiteral("Segoe UI"));
        QStringList sheetFamilies;
        for (const QString& family : textFamilies)
            sheetFamilies << (family == generic ? family
                                                : QLatin1Char('\'') + family + QLatin1Char('\''));
        const QString families = sheetFamilies.join(QStringLiteral(", "));
        QFont textFont;
        textFont.setFamilies(textFamilies);
        textFont.setPixelSize(kTextPx);
        return Look{QString::fromUtf8(kTheme).arg(families, QString::number(kTextPx)), textFont};
    }();
    if (QGuiApplication::font() != look.font)
        QGuiApplication::setFont(look.font);
    // Setting a style sheet again, even the same one, polishes every widget
    // again.
    if (qApp->styleSheet() != look.sheet)
        qApp->setStyleSheet(look.sheet);
}
