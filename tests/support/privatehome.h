// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QTemporaryDir>

// Points HOME, the XDG folders (the runtime folder too) and the settings store
// at a fresh temporary folder for the life of the object, so no test,
// benchmark or tool reads or writes a real user's settings and none depends on
// what another left behind. Construct it before the application object.
class PrivateHome {
  public:
    PrivateHome();
    PrivateHome(const PrivateHome&) = delete;
    PrivateHome& operator=(const PrivateHome&) = delete;

    // Empty when no temporary folder could be made.
    QString path() const { return m_dir.isValid() ? m_dir.path() : QString(); }

  private:
    QTemporaryDir m_dir;
};
