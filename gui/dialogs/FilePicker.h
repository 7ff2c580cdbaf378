// Asks the user for a file to open (the firmware pickers and the sound browsers). Tests queue
// answers: while one is queued no dialog is shown and the queued path (or a cancel) is returned,
// after an optional look at what would have been asked.
#pragma once

#include <QString>
#include <deque>
#include <functional>
#include <optional>

class QWidget;

namespace quillon {

class FilePicker {
  public:
    struct Request {
        QString caption;
        // The old "text (*.ext)|*.ext|...||" filter as the toolkit writes it: "text (*.ext);;...".
        QString filter;
        QString defaultSuffix;  // without the dot: "bin"
    };
    using Inspector = std::function<void(const Request& request)>;

    virtual ~FilePicker() = default;

    // The chosen full path, or nullopt when the user cancelled.
    std::optional<QString> PickOpenFile(QWidget* parent, const Request& request);

    // The next pick returns path (nullopt: a cancel) without showing anything.
    void AnswerNext(std::optional<QString> path, Inspector inspect = {});
    std::size_t PendingAnswers() const { return answers_.size(); }

    // "bin files (*.bin)|*.bin|All files (*.*)|*.*||" -> "bin files (*.bin);;All files (*)".
    static QString ConvertFilter(const QString& oldFilter);

  protected:
    virtual std::optional<QString> ShowDialog(QWidget* parent, const Request& request);

  private:
    struct Answer {
        std::optional<QString> path;
        Inspector inspect;
    };
    std::deque<Answer> answers_;
};

}  // namespace quillon
