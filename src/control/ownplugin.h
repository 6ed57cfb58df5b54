// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

// One of the program's own plug-ins, offering the interface `iid`: the one
// linked into this program (the tests do that), or else the file `fileName`
// beside the program (the build folder) or in the program's plug-in folder
// (an installation). Null, with every file tried and why it failed in
// `whyNot`, when none loads. A plug-in, once loaded, stays loaded.
void* loadOwnPlugin(const char* iid, const QString& fileName, QString* whyNot);

template <class Interface>
Interface* ownPlugin(const QString& fileName, QString* whyNot = nullptr)
{
    return static_cast<Interface*>(
        loadOwnPlugin(qobject_interface_iid<Interface*>(), fileName, whyNot));
}
