// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

// The product card: logo, name, version, the maker's lines, a link to the
// maker's web site and a reported update check. Frameless and translucent,
// so only the rounded card and its shadow are drawn.
class AboutDialog : public QDialog {
    Q_OBJECT

  public:
    explicit AboutDialog(QWidget* parent = nullptr);
};
