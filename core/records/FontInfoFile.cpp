#include "records/FontInfoFile.h"

#include <array>

namespace quillon {

FontInfoFile::~FontInfoFile() {
    Close();
}

bool FontInfoFile::Open(const char* mode) {
    Close();
    file_ = std::fopen(path_.c_str(), mode);
    return file_ != nullptr;
}

void FontInfoFile::Close() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

bool FontInfoFile::ReadRecord(FontRecord* into) {
    std::array<uint8_t, FontRecord::kSize> bytes{};
    if (std::fread(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
        return false;
    }
    if (into != nullptr) {
        *into = FontRecord::Decode(bytes.data());
    }
    return true;
}

void FontInfoFile::LoadFonts(FontRecord* messagePane, FontRecord* serialPane,
                             FontRecord* textView) {
    if (messagePane != nullptr) {
        *messagePane = FontRecord::MessagePaneDefault();
    }
    if (serialPane != nullptr) {
        *serialPane = FontRecord::SerialPaneDefault();
    }
    if (textView != nullptr) {
        *textView = FontRecord::TextViewDefault();
    }
    if (!Open("rb")) {
        return;
    }
    if (ReadRecord(messagePane) && ReadRecord(serialPane) && textView != nullptr) {
        ReadRecord(textView);
    }
    Close();
}

void FontInfoFile::SaveFonts(const FontRecord* messagePane, const FontRecord* serialPane,
                             const FontRecord* textView) {
    std::array<FontRecord, kRecordCount> records;
    LoadFonts(&records[0], &records[1], &records[2]);
    const std::array<const FontRecord*, kRecordCount> changes{messagePane, serialPane, textView};
    for (std::size_t i = 0; i < kRecordCount; ++i) {
        if (changes[i] != nullptr) {
            records[i] = *changes[i];
        }
    }
    if (!Open("wb")) {
        return;
    }
    for (const FontRecord& record : records) {
        const auto bytes = record.Encode();
        if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
            break;
        }
    }
    Close();
}

}  // namespace quillon
