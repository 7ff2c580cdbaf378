#include "records/FontInfoFile.h"

#include <array>

#include "platform/FileSystem.h"
#include "platform/ReadOnlyFile.h"

namespace quillon {

void FontInfoFile::LoadFonts(FontRecord* messagePane, FontRecord* serialPane,
                             FontRecord* textView) {
    const std::array<FontRecord*, kRecordCount> into{messagePane, serialPane, textView};
    const std::array<FontRecord, kRecordCount> defaults{FontRecord::MessagePaneDefault(),
                                                        FontRecord::SerialPaneDefault(),
                                                        FontRecord::TextViewDefault()};
    for (std::size_t i = 0; i < kRecordCount; ++i) {
        if (into[i] != nullptr) {
            *into[i] = defaults[i];
        }
    }
    std::array<uint8_t, kFileSize> bytes{};
    ReadOnlyFile file;
    bool failed = false;
    const std::size_t got =
        file.Open(path_, nullptr) ? file.Read(bytes.data(), kFileSize, &failed) : 0;
    // A short file holds the first records only.
    for (std::size_t i = 0; i < kRecordCount && (i + 1) * FontRecord::kSize <= got; ++i) {
        if (into[i] != nullptr) {
            *into[i] = FontRecord::Decode(bytes.data() + i * FontRecord::kSize);
        }
    }
}

void FontInfoFile::SaveFonts(const FontRecord* messagePane, const FontRecord* serialPane,
                             const FontRecord* textView) {
    std::array<FontRecord, kRecordCount> records;
    LoadFonts(&records[0], &records[1], &records[2]);
    const std::array<const FontRecord*, kRecordCount> changes{messagePane, serialPane, textView};
    std::string content;
    for (std::size_t i = 0; i < kRecordCount; ++i) {
        const auto bytes = (changes[i] != nullptr ? *changes[i] : records[i]).Encode();
        content.append(bytes.begin(), bytes.end());
    }
    fs::ReplaceFileContent(path_, content);
}

}  // namespace quillon
