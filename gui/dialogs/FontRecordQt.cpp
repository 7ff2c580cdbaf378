#include "dialogs/FontRecordQt.h"

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
    const int pixels = font.pixelSize() > 0 ? font.pixelSize() : font.pointSize();
    FontRecord r =
        FontRecord::Make(pixels > 0 ? pixels : FontRecord::MessagePaneDefault().height,
                         static_cast<int32_t>(font.weight()), font.family().toStdString());
    r.italic = font.italic() ? 1 : 0;
    r.underline = font.underline() ? 1 : 0;
    r.strikeOut = font.strikeOut() ? 1 : 0;
    return r;
}

}  // namespace quillon
