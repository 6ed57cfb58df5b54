// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QTest>

namespace TestSupport {

// A data table of two text columns, "steps" and "expected", from lines
// "steps => expected", one case each, named by the line. A line starting with
// "#" is a comment; one starting with blanks goes on with the case above it.
inline void addCases(const char* cases)
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("expected");
    const QString text =
        QString::fromUtf8(cases).replace(QStringLiteral("\n  "), QStringLiteral(" "));
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('#')) || !line.contains(QLatin1String("=>")))
            continue;
        QTest::newRow(qPrintable(line)) << line.section(QStringLiteral("=>"), 0, 0).trimmed()
                                        << line.section(QStringLiteral("=>"), 1).trimmed();
    }
}

} // namespace TestSupport
