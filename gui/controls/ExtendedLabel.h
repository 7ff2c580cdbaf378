// A coloured text label: text and background colours, optional blinking of either on a timer,
// an optional link (opened by the desktop, drawn in the visited colour once opened) and a click
// chain (companion widget, click signals). A link that will not open beeps and says so; the
// label stays unvisited.
#pragma once

#include <QColor>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <array>
#include <functional>

#include "controls/Rgb.h"

namespace quillon {

class ExtendedLabel : public QLabel {
    Q_OBJECT

  public:
    static constexpr Rgb kDefaultVisitedColor = Rgb(0x0080C0);
    static constexpr std::size_t kTextLimit = 1020;
    static constexpr const char* kOpenFailedText = "Unable to open ";

    explicit ExtendedLabel(QWidget* parent = nullptr);

    void SetTextColor(const QColor& color);
    void SetBackgroundColor(const QColor& color);
    void SetVisitedColor(const QColor& color);
    void SetStaticFont(int height, int weight, const QString& face);
    // With word wrap on, lines may also break inside a word: for paths, which have no spaces.
    void SetWrapAnywhere(bool on) { wrapAnywhere_ = on; }
    bool WrapsAnywhere() const { return wrapAnywhere_; }
    // printf-style text, at most 1020 bytes kept; a null format changes nothing.
    void SetText(const char* format, ...) __attribute__((format(printf, 2, 3)));

    void SetLinkUrl(const QString& url);
    QString LinkUrl() const { return url_; }
    bool IsVisited() const { return visited_; }
    void SetLinkCursor(const QCursor& cursor);
    void SetUrlOpener(std::function<bool(const QUrl&)> opener) { urlOpener_ = std::move(opener); }
    // Told the failure text when a link does not open; by default it beeps and shows a box.
    void SetOpenFailureReporter(std::function<void(const QString&)> reporter) {
        failureReporter_ = std::move(reporter);
    }

    // Shown or hidden on each click.
    void SetCompanion(QWidget* companion) { companion_ = companion; }
    // Emitted as clickMessage(message, parameter) at the end of each click.
    void SetClickMessage(int message, int parameter);

    // Blinking between two colours; the first tick after the start shows the second colour.
    void StartTextBlink(const QColor& first, const QColor& second, int intervalMs);
    void StopTextBlink();
    void StartBackgroundBlink(const QColor& first, const QColor& second, int intervalMs);
    void StopBackgroundBlink();
    bool IsBlinking() const { return textBlink_ || backgroundBlink_; }

    QColor CurrentTextColor() const;
    QColor CurrentBackgroundColor() const;

    // Runs the click chain as a mouse click on the label does.
    void Click();

  public slots:
    // One blink step: switch every active blink table to its other entry and repaint.
    void OnBlinkTick();

  signals:
    void companionNotified();
    void clickMessage(int message, int parameter);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void UpdateTimer(int intervalMs);
    void OpenLink();

    QColor textColor_;
    QColor backgroundColor_;
    QColor visitedColor_ = ToQColor(kDefaultVisitedColor);
    std::array<QColor, 2> textBlinkColors_;
    std::array<QColor, 2> backgroundBlinkColors_;
    int textBlinkIndex_ = 0;
    int backgroundBlinkIndex_ = 0;
    bool textBlink_ = false;
    bool backgroundBlink_ = false;
    bool wrapAnywhere_ = false;
    QTimer blinkTimer_;

    QString url_;
    bool visited_ = false;
    std::function<bool(const QUrl&)> urlOpener_;
    std::function<void(const QString&)> failureReporter_;

    QPointer<QWidget> companion_;
    bool hasClickMessage_ = false;
    int clickMessage_ = 0;
    int clickParameter_ = 0;
};

}  // namespace quillon
