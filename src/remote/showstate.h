// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QJsonObject>

class ShowController;

// The show's state as every remote caller sees it: the answer to a command and
// to GET /api/v1/state, and each message of the WebSocket stream. A new field
// goes here, and only here.
QJsonObject showStateJson(const ShowController& show, qint64 seq, qint64 serverTimeMs);
