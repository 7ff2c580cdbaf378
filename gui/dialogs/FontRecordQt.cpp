#include "dialogs/FontRecordQt.h"

#include <QFontInfo>

namespace quillon {

QFont ToQFont(const FontRecord& record) {
    QFont font;
    const std::string face = record.Face();
    font.setFamily(QString::fromLatin1(face.empty() ? "Arial" : face.c_str()));
    font.setPixelSize(record.PixelHeight());
    font.setWeight(static_cast<QFont::Weight>(record.DrawWeight()));
    font.setItalic(record.italic != 0);
    font.setUnderline(record.underline != 0);
    font.setStrikeOut(record.strikeOut != 0);
    return font;
}

FontRecord FontRecordFromQFont(const QFont& font) {
    // The font dialog sizes fonts in points; the record holds pixels. A negative height is the
    // character height, which is what a pixel size is, so a 12-point font is kept as the 16
    // pixels it is drawn with on a 96-dpi screen and comes back the same size.
    const int pixels = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    FontRecord r =
        FontRecord::Make(pixels > 0 ? -pixels : FontRecord::MessagePaneDefault().height,
                         static_cast<int32_t>(font.weight()), font.family().toStdString());
    r.italic = font.italic() ? 1 : 0;
    r.underline = font.underline() ? 1 : 0;
    r.strikeOut = font.strikeOut() ? 1 : 0;
    return r;
}

}  // namespace quillon
