// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>

class QByteArray;

// A QR code of a short text (an address for a phone to open), made by
// libqrencode: black modules on white with the four-module quiet zone that
// scanners need, each module moduleSize pixels square. A null image when the
// text cannot be encoded (empty, or too long for any QR code).
class QrCode {
  public:
    static QImage image(const QByteArray& text, int moduleSize);
};
