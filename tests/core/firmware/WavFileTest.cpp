// The WAV duration read from the header: plain files, chunks before "fmt ", a data chunk that
// claims more than the file holds, and files that are not usable WAV files at all.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>

#include "firmware/WavFile.h"
#include "tests/support/TempDir.h"

namespace quillon {
namespace {

void Put32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
}

std::string Chunk(const char* id, const std::string& body) {
    std::string out(id, 4);
    Put32(out, static_cast<uint32_t>(body.size()));
    return out + body + (body.size() % 2 != 0 ? std::string(1, '\0') : std::string());
}

std::string Fmt(uint32_t byteRate) {
    std::string body(16, '\0');
    body[0] = 1;  // PCM
    body[2] = 1;  // mono
    std::string rate;
    Put32(rate, byteRate);
    body.replace(8, 4, rate);
    return Chunk("fmt ", body);
}

std::string Riff(const std::string& chunks) {
    std::string out = "RIFF";
    Put32(out, static_cast<uint32_t>(chunks.size() + 4));
    return out + "WAVE" + chunks;
}

TEST(WavFileTest, DurationFromHeader) {
    std::string claimsMore = Riff(Fmt(8000));
    claimsMore += "data";
    Put32(claimsMore, 80000);              // ten seconds claimed ...
    claimsMore += std::string(4000, 'x');  // ... half a second present
    const std::tuple<const char*, std::string, std::optional<uint32_t>> cases[] = {
        {"one second", Riff(Fmt(8000) + Chunk("data", std::string(8000, 'x'))), 1000},
        {"rounded up", Riff(Fmt(3000) + Chunk("data", std::string(1000, 'x'))), 334},
        {"list chunk first", Riff(Chunk("LIST", "abc") + Fmt(1000) + Chunk("data", "xxxxx")), 5},
        {"data claims more than the file", claimsMore, 500},
        {"no fmt before data", Riff(Chunk("data", "xxxx") + Fmt(8000)), std::nullopt},
        {"zero byte rate", Riff(Fmt(0) + Chunk("data", "xxxx")), std::nullopt},
        {"not RIFF", "RIFX" + Riff(Fmt(8000)).substr(4), std::nullopt},
        {"empty file", "", std::nullopt},
        {"fmt cut short", Riff(std::string("fmt \x10\0\0\0\x01\0", 10)), std::nullopt},
    };
    test::TempDir dir;
    for (const auto& [name, content, ms] : cases) {
        EXPECT_EQ(WavDurationMs(dir.Write("sound.wav", content)), ms) << name;
    }
    EXPECT_EQ(WavDurationMs(dir.File("missing.wav")), std::nullopt);
    EXPECT_EQ(WavDurationMs(dir.Dir()), std::nullopt);
}

}  // namespace
}  // namespace quillon
