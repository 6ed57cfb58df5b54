// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/qrcode.h"

#include <QByteArray>

#include <qrencode.h>

#include <cstring>
#include <memory>

QImage QrCode::image(const QByteArray& text, int moduleSize)
{
    if (text.isEmpty() || moduleSize < 1)
        return {};
    // Medium error correction: an address stays readable from a slightly
    // glossy or scuffed screen; 8-bit mode keeps the text exactly as given.
    std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeData(text.size(), reinterpret_cast<const unsigned char*>(text.constData()), 0,
                          QR_ECLEVEL_M),
        &QRcode_free);
    if (!code)
        return {};
    constexpr int kQuietZone = 4;
    const int side = (code->width + 2 * kQuietZone) * moduleSize;
    QImage img(side, side, QImage::Format_Grayscale8);
    img.fill(255);
    for (int y = 0; y < code->width; ++y) {
        for (int x = 0; x < code->width; ++x) {
            // Bit 0 of each byte is the module's colour; the rest is libqrencode's bookkeeping.
            if (!(code->data[y * code->width + x] & 1))
                continue;
            const int px = (x + kQuietZone) * moduleSize;
            const int py = (y + kQuietZone) * moduleSize;
            for (int dy = 0; dy < moduleSize; ++dy)
                memset(img.scanLine(py + dy) + px, 0, size_t(moduleSize));
        }
    }
    return img;
}
