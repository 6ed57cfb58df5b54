// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

// Sets the program's dark theme as the application-wide style sheet, so every
// window, dialog and message box the program opens wears it. Call it before
// the first window is built: widgets that exist when it is set are polished a
// second time. Calling it again changes nothing.
void applyTheme();

// Faces that the system's font configuration names, when they were asked of
// it already (at start-up, on another core): the theme need not load fonts to
// find them out. What is empty or unset is not known, and found out as before.
struct KnownFaces {
    QString sansFamily;    // a family name, as the default font names it,
    QString sansFace;      // and the face it resolves to
    QString monospaceFace; // the face the generic family "monospace" resolves to
    std::optional<bool> segoeUiInstalled;
};

// Call it before the first applyTheme().
void setKnownFaces(const KnownFaces& faces);

// The family of the monospaced readouts: the face that "monospace" resolves
// to when it is known, otherwise "monospace" itself. The pictures are the
// same; a generic name costs the toolkit a search through the fallback list
// for every size. Quoted in a style sheet, it needs no quotes of its own.
QString monospaceFamily();
