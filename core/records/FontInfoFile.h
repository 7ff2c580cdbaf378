// The font settings file FontInfo.qn7: three 60-byte records (message pane, serial-data pane,
// text view), 180 bytes, no header. A missing, short or unreadable file leaves the defaults in
// place; a file that cannot be written changes nothing on disk (it is replaced whole). Nothing is
// reported either way.
#pragma once

#include <string>

#include "records/FontRecord.h"

namespace quillon {

class FontInfoFile {
  public:
    static constexpr std::size_t kRecordCount = 3;
    static constexpr std::size_t kFileSize = kRecordCount * FontRecord::kSize;

    explicit FontInfoFile(std::string path) : path_(std::move(path)) {}

    // Each non-null argument gets its default, then the stored record when the file has it.
    void LoadFonts(FontRecord* messagePane, FontRecord* serialPane, FontRecord* textView);
    // Null keeps the stored record (or its default); the file is written anew, all three.
    void SaveFonts(const FontRecord* messagePane, const FontRecord* serialPane,
                   const FontRecord* textView);

  private:
    std::string path_;
};

}  // namespace quillon
