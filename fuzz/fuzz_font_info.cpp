// The font settings file FontInfo.qn7 on arbitrary bytes: any length, any record contents. A
// damaged file must load as records that make usable fonts (face printable and at most 31
// characters, a size in range), a record must encode back to exactly the bytes it came from,
// and what is saved must load back unchanged.
#include <cstdint>
#include <cstdlib>

#include "fuzz/FuzzInput.h"
#include "records/FontInfoFile.h"
#include "records/FontRecord.h"

namespace {

using quillon::FontInfoFile;
using quillon::FontRecord;

void CheckUsable(const FontRecord& record) {
    const std::string face = record.Face();
    QUILLON_FUZZ_CHECK(face.size() < FontRecord::kFaceSize);
    for (char c : face) {
        QUILLON_FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
    }
    QUILLON_FUZZ_CHECK(record.PixelHeight() >= FontRecord::kMinPixelHeight &&
                       record.PixelHeight() <= FontRecord::kMaxPixelHeight);
    QUILLON_FUZZ_CHECK(record.DrawWeight() >= FontRecord::kMinWeight &&
                       record.DrawWeight() <= FontRecord::kMaxWeight);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes(data, data + size);
    if (bytes.size() >= FontRecord::kSize) {
        const FontRecord decoded = FontRecord::Decode(bytes.data());
        const auto encoded = decoded.Encode();
        QUILLON_FUZZ_CHECK(std::equal(encoded.begin(), encoded.end(), bytes.begin()));
    }
    const std::string path = quillon::fuzz::ScratchDir() + "FontInfo.qn7";
    quillon::fuzz::WriteFile(path, bytes);
    FontRecord message, serial, view;
    FontInfoFile(path).LoadFonts(&message, &serial, &view);
    CheckUsable(message);
    CheckUsable(serial);
    CheckUsable(view);
    FontInfoFile(path).SaveFonts(&message, &serial, &view);
    FontRecord message2, serial2, view2;
    FontInfoFile(path).LoadFonts(&message2, &serial2, &view2);
    QUILLON_FUZZ_CHECK(message2 == message && serial2 == serial && view2 == view);
    return 0;
}
