// One line of quillon7-cli's JSON output (docs/cli-json.md): an object with "type" and "time"
// first, then the fields added, closed by Text(). Texts are written as JSON strings: valid UTF-8
// as it is, every byte that is not part of valid UTF-8 as \udcXX (XX its value in hex), so the
// bytes can be had back exactly.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillon::cli {

class JsonLine {
  public:
    explicit JsonLine(std::string_view type);

    JsonLine& Text(std::string_view key, std::string_view text);
    JsonLine& Number(std::string_view key, int64_t number);
    JsonLine& Null(std::string_view key);
    // A value already in JSON (an array or object built with Quote and these rules).
    JsonLine& Raw(std::string_view key, std::string_view json);

    // The object and its line end.
    std::string Line() const { return body_ + "}\n"; }

    // The JSON string literal of a text, by the rules above.
    static std::string Quote(std::string_view bytes);

  private:
    JsonLine& Key(std::string_view key);
    std::string body_;
};

}  // namespace quillon::cli
