// printf-style SetText for a control or dialog that shows one text: the result is cut at the
// class's limit (FormatLimited) and handed to its ShowText. A null format leaves the text as it is.
#pragma once

#include <QString>
#include <cstddef>

namespace quillon {

class FormattedText {
  public:
    explicit FormattedText(std::size_t limit) : limit_(limit) {}
    virtual ~FormattedText() = default;
    FormattedText(const FormattedText&) = delete;
    FormattedText& operator=(const FormattedText&) = delete;

    void SetText(const char* format, ...) __attribute__((format(printf, 2, 3)));

  protected:
    virtual void ShowText(const QString& text) = 0;

  private:
    std::size_t limit_;
};

}  // namespace quillon
