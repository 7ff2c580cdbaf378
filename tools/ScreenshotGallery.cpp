#include "tools/ScreenshotGallery.h"

#include <QApplication>
#include <QDir>
#include <QEnterEvent>
#include <QMessageBox>
#include <QPainter>
#include <QTemporaryDir>
#include <QThread>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <vector>

#include "controls/GradientBar.h"
#include "controls/LogTextPane.h"
#include "controls/PaintedButton.h"
#include "controls/PaintedCheckBox.h"
#include "controls/PaintedLabel.h"
#include "controls/Rgb.h"
#include "controls/SevenSegmentCounter.h"
#include "controls/TransparentLabel.h"
#include "dialogs/AboutDialog.h"
#include "dialogs/ConfirmDialog.h"
#include "dialogs/DialogPictures.h"
#include "dialogs/DialogRunner.h"
#include "dialogs/ErrorMessageDialog.h"
#include "dialogs/SerialTerminalWindow.h"
#include "dialogs/SoundPlayer.h"
#include "dialogs/UploadProgressWindow.h"
#include "dialogs/UploadSessions.h"
#include "platform/Clock.h"
#include "serial/SystemSerialBackend.h"
#include "tools/WindowGallery.h"

namespace quillon {

namespace {

constexpr QSize kButtonSize(160, 44);
constexpr QSize kPictureButtonSize(170, 64);
constexpr QSize kProgressSize(60, 120);
constexpr QSize kLabelSize(220, 40);
constexpr QSize kCounterSize(240, 70);
constexpr int kSmallPicture = 32;
constexpr QSize kProgressWindowSize(1100, 720);
constexpr QSize kNetbookSize(1024, 600);
constexpr QSize kTextViewSize(760, 420);
constexpr Rgb kGalleryGradientFirst = Rgb(0xFDDD39);
constexpr Rgb kGalleryGradientSecond = Rgb(0xFEBF3F);
constexpr Rgb kCounterGreen = Rgb(0x00FF00);

class Gallery {
  public:
    explicit Gallery(QString folder) : folder_(std::move(folder)) {}

    bool Save(QWidget& widget, const char* name) {
        const QString path = QDir(folder_).filePath(QString::fromLatin1(name) + ".png");
        if (!widget.grab().save(path, "PNG")) {
            std::fprintf(stderr, "quillon7-screenshots: cannot write %s\n", qPrintable(path));
            ok_ = false;
        }
        return ok_;
    }
    bool Ok() const { return ok_; }

  private:
    QString folder_;
    bool ok_ = true;
};

void Hover(QWidget& widget) {
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&widget, &enter);
}

QImage SmallPicture() {
    return DrawErrorPicture().scaled(kSmallPicture, kSmallPicture, Qt::IgnoreAspectRatio,
                                     Qt::FastTransformation);
}

// A plain command button as the windows dress them: navy text on a light face.
void DressCommand(PaintedButton& button, const char* caption) {
    button.resize(kButtonSize);
    button.setText(QString::fromLatin1(caption));
    button.SetButtonFont(14, QFont::Bold);
    button.SetBackgroundColors(QColor(255, 250, 205), QColor(230, 230, 230), QColor(230, 230, 230));
    button.SetTextColors(ToQColor(Rgb(0x000080)), ToQColor(Rgb(0x00008B)), ToQColor(Rgb(0x00008B)));
}

void RenderButtonStates(Gallery& gallery) {
    PaintedButton out;
    DressCommand(out, "Start");
    gallery.Save(out, "button_flat_out");
    PaintedButton hover;
    DressCommand(hover, "Start");
    Hover(hover);
    gallery.Save(hover, "button_flat_hover");
    PaintedButton pressed;
    DressCommand(pressed, "Start");
    pressed.setDown(true);
    gallery.Save(pressed, "button_flat_pressed");
    PaintedButton disabled;
    DressCommand(disabled, "Start");
    disabled.setEnabled(false);
    gallery.Save(disabled, "button_disabled");
    PaintedButton raised;
    DressCommand(raised, "Start");
    raised.SetFlat(false);
    raised.SetDefaultButton(true);
    gallery.Save(raised, "button_3d_default");
    PaintedButton sunk;
    DressCommand(sunk, "Start");
    sunk.SetFlat(false);
    sunk.setDown(true);
    gallery.Save(sunk, "button_3d_pressed");
}

void RenderButtonAlignments(Gallery& gallery) {
    static const char* const kNames[] = {"button_text_single_left", "button_text_single_centred",
                                         "button_text_single_right", "button_text_multi_left",
                                         "button_text_multi_centred"};
    for (int mode = PaintedButton::kSingleLeft; mode <= PaintedButton::kMultiCentered; ++mode) {
        PaintedButton button;
        DressCommand(button, mode >= PaintedButton::kMultiLeft
                                 ? "Estimated time to complete the upload"
                                 : "Aligned");
        button.resize(kButtonSize.width(), kButtonSize.height() + 16);
        button.SetTextAlignment(mode);
        gallery.Save(button, kNames[mode]);
    }
}

void RenderButtonImages(Gallery& gallery) {
    const struct {
        PaintedButton::ImagePlacement placement;
        const char* name;
    } placements[] = {{PaintedButton::ImagePlacement::kLeftOfText, "button_image_left"},
                      {PaintedButton::ImagePlacement::kAboveText, "button_image_above"},
                      {PaintedButton::ImagePlacement::kRightOfText, "button_image_right"}};
    for (const auto& entry : placements) {
        PaintedButton button;
        DressCommand(button, "COMM");
        button.resize(entry.placement == PaintedButton::ImagePlacement::kAboveText
                          ? QSize(kPictureButtonSize.width(), 80)
                          : kPictureButtonSize);
        button.SetImagePlacement(entry.placement);
        button.SetBitmaps(SmallPicture(), Qt::white, ButtonImage::kOutGrey);
        Hover(button);
        gallery.Save(button, entry.name);
    }
    const struct {
        int sentinel;
        const char* name;
    } outs[] = {{ButtonImage::kOutGrey, "button_image_out_grey"},
                {ButtonImage::kOutDarker, "button_image_out_darker"}};
    for (const auto& entry : outs) {
        PaintedButton button;
        DressCommand(button, "READER");
        button.resize(kPictureButtonSize);
        button.SetBitmaps(SmallPicture(), Qt::white, entry.sentinel);
        gallery.Save(button, entry.name);
    }
    PaintedButton disabled;
    DressCommand(disabled, "SPEECH");
    disabled.resize(kPictureButtonSize);
    disabled.SetBitmaps(SmallPicture(), Qt::white, ButtonImage::kOutGrey);
    disabled.setEnabled(false);
    gallery.Save(disabled, "button_image_disabled_embossed");
}

void RenderButtonModes(Gallery& gallery) {
    PaintedButton gradient;
    DressCommand(gradient, "YES");
    gradient.SetGradientMode(ToQColor(kGalleryGradientFirst), ToQColor(kGalleryGradientSecond),
                             true);
    gradient.SetGradientBorder(1);
    gradient.SetTextColors(Qt::black, Qt::black, Qt::black);
    gallery.Save(gradient, "button_gradient");
    Hover(gradient);
    gallery.Save(gradient, "button_gradient_hover_flipped");

    const struct {
        int maximum;
        int position;
        const char* name;
    } bars[] = {{100, 40, "button_progress_40_percent"},
                {0, 0, "button_progress_maximum_zero"},
                {100, 100, "button_progress_full"},
                {100, 0, "button_progress_empty"}};
    for (const auto& bar : bars) {
        PaintedButton progress;
        progress.resize(kProgressSize);
        progress.setText(QStringLiteral("0:42"));
        progress.SetTextColors(Qt::black, Qt::black, Qt::black);
        progress.SetProgressMode(bar.maximum, bar.position);
        gallery.Save(progress, bar.name);
    }
    PaintedButton blink;
    blink.resize(kProgressSize);
    blink.SetProgressMode(100, 40);
    gallery.Save(blink, "button_progress_blink_off");
    gallery.Save(blink, "button_progress_blink_frame");
}

void RenderStatics(Gallery& gallery) {
    PaintedLabel label;
    label.resize(kLabelSize);
    label.SetStaticFont(14, 700, QStringLiteral("Verdana"));
    label.SetTextColor(ToQColor(Rgb(0x00008B)));
    label.SetBackgroundColor(Qt::white);
    label.setText(QStringLiteral("Job Done!"));
    label.setAlignment(Qt::AlignCenter);
    gallery.Save(label, "static_colours");
    label.StartTextBlink(Qt::red, Qt::blue, 0);
    gallery.Save(label, "static_blink_text_first");
    label.OnBlinkTick();
    gallery.Save(label, "static_blink_text_second");
    label.StopTextBlink();

    QWidget stage;
    stage.resize(kLabelSize);
    stage.setAutoFillBackground(true);
    QPalette pal = stage.palette();
    pal.setColor(QPalette::Window, QColor(253, 221, 57));
    stage.setPalette(pal);
    auto* transparent = new TransparentLabel(&stage);
    transparent->setGeometry(stage.rect());
    transparent->setText(QStringLiteral("Transparent label over the ground"));
    transparent->setAlignment(Qt::AlignCenter);
    gallery.Save(stage, "static_transparent");
}

void RenderCounters(Gallery& gallery) {
    SevenSegmentCounter clock;
    clock.resize(kCounterSize);
    clock.SetColors(ToQColor(kCounterGreen), Qt::black);
    gallery.Save(clock, "counter_default_12_34");

    SevenSegmentCounter digits;
    digits.resize(kCounterSize.width() + 60, kCounterSize.height());
    digits.SetColors(ToQColor(kCounterGreen), Qt::black);
    digits.SetDisplayText(QStringLiteral("-0123456789"));
    gallery.Save(digits, "counter_all_digits");

    SevenSegmentCounter padded;
    padded.resize(kCounterSize.width() + 60, kCounterSize.height());
    padded.SetColors(Qt::red, Qt::black);
    padded.SetFixedWidth(6);
    padded.SetDisplayText(QStringLiteral("42"));
    gallery.Save(padded, "counter_padded_width_6");

    SevenSegmentCounter bar;
    bar.resize(kCounterSize.width(), kCounterSize.height() + 20);
    bar.SetColors(ToQColor(kCounterGreen), Qt::black);
    bar.SetShowBar(true);
    bar.SetRange(0, 200);
    bar.SetMode(SevenSegmentCounter::Mode::kInteger);
    bar.SetValue(150);
    gallery.Save(bar, "counter_value_bar_150_of_200");

    SevenSegmentCounter fixed;
    fixed.resize(kCounterSize);
    fixed.SetColors(Qt::yellow, QColor(0, 0, 64));
    fixed.SetDrawUnlit(false);
    fixed.SetMode(SevenSegmentCounter::Mode::kFixedPoint);
    fixed.SetRange(0.0f, 9.99f);
    fixed.SetValue(3.14f);
    gallery.Save(fixed, "counter_fixed_point_no_unlit");
}

void RenderOthers(Gallery& gallery) {
    QImage bars(220, 90, QImage::Format_ARGB32);
    bars.fill(Qt::white);
    {
        QPainter painter(&bars);
        const QColor bases[] = {QColor(0, 0, 255), QColor(220, 40, 30), QColor(60, 210, 60)};
        int y = 6;
        for (const QColor& base : bases) {
            GradientBar(base).DrawHorizontal(painter, QRect(6, y, 208, 22), 150);
            y += 28;
        }
    }
    QLabel barLabel;
    barLabel.setPixmap(QPixmap::fromImage(bars));
    barLabel.resize(bars.size());
    gallery.Save(barLabel, "bar3d_shades");

    PaintedCheckBox check;
    check.resize(kLabelSize);
    check.setText(QStringLiteral("Validate files before upload"));
    check.SetTextColor(ToQColor(Rgb(0x00008B)));
    check.SetBackgroundColor(Qt::white);
    check.setChecked(true);
    gallery.Save(check, "checkbox_checked_coloured");

    LogTextPane pane;
    pane.resize(360, 120);
    pane.AppendText(QStringLiteral("10:42:07.120 Port /dev/ttyUSB0 opened at 115200\n"),
                    QColor(0, 0, 139));
    pane.AppendText(QStringLiteral("10:42:07.350 COMM: packet 12 of 480 acknowledged\n"),
                    QColor(0, 128, 0));
    pane.AppendText(QStringLiteral("10:42:09.004 READER: no answer, retry 1\n"), QColor(200, 0, 0));
    gallery.Save(pane, "richedit_coloured_lines");
}

void RenderDialogs(Gallery& gallery, const ProgramState& state) {
    ConfirmDialog confirm;
    confirm.SetText("Upload the selected files to the unit on %s now?", "/dev/ttyUSB0");
    gallery.Save(confirm, "dialog_confirm_yes_no");
    ConfirmDialog notice;
    notice.SetSingleButton(true);
    notice.SetText("The history file was cleared.");
    gallery.Save(notice, "dialog_confirm_single_ok");

    ErrorMessageDialog error;
    error.Set(105, "/home/tech/firmware/COMM_v7.bin", "The file size test failed for %s.", "COMM");
    gallery.Save(error, "dialog_error_file_and_message");
    ErrorMessageDialog bare;
    bare.SetErrorNumber(200);
    gallery.Save(bare, "dialog_error_number_only");
    ErrorMessageDialog port;
    port.Set(201, nullptr, "%s",
             "Failed to open serial port!\n\nPort: /dev/ttyUSB0\nBaud Rate: 19200\n\n"
             "An upload is still finishing on this port.\nWait for it to end, then try again.");
    gallery.Save(port, "dialog_error_port_long_text");

    AboutDialog about(state);
    gallery.Save(about, "dialog_about");
}

// The upload progress window in the states a technician sees, fed the events a run sends.
class ProgressFeeder {
  public:
    // An HBD run of all three boards, or (kx2) a KX2 run of one .kx image in the COMM place.
    explicit ProgressFeeder(UploadProgressWindow& dlg, bool kx2 = false) : dlg_(dlg) {
        if (kx2) {
            p_.Board(FileKind::kComm) = {65, 74, 0};
            p_.filesRemaining = 1;
            p_.totalRemaining = 74;
        } else {
            p_.Board(FileKind::kComm) = {480, 480, 0};
            p_.Board(FileKind::kReader) = {224, 448, 0};
            p_.Board(FileKind::kSpeech) = {1536, 1536, 0};
            p_.filesRemaining = 3;
            p_.totalRemaining = 480 + 448 + 1536 + 2 * 60;
        }
        dlg_.HandleEvent(event::Estimates{p_});
    }
    void Log(int level, const std::string& text) { dlg_.HandleEvent(event::LogLine{level, text}); }
    static const char* FileNameOf(FileKind kind) {
        return kind == FileKind::kComm     ? "COMM_V4_12.bin"
               : kind == FileKind::kReader ? "READER_V2_03.bin"
                                           : "SPEECH_EN_1_7.bin";
    }
    // The lines a worker logs, with printf arguments.
    template <typename... Args>
    void Logf(int level, const char* format, Args... args) {
        char text[512];
        std::snprintf(text, sizeof text, format, args...);
        Log(level, text);
    }
    void Bytes(bool sent, std::size_t count) {
        std::vector<uint8_t> bytes(count);
        for (std::size_t i = 0; i < count; ++i) {
            bytes[i] = static_cast<uint8_t>(i * 37 + 5);
        }
        sent ? dlg_.HandleEvent(event::BytesSent{bytes})
             : dlg_.HandleEvent(event::BytesReceived{bytes});
    }
    void StartFile(FileKind kind, const char* name, int packets, int secondsPerPacket) {
        p_.currentKind = kind;
        p_.currentKindName = name;
        p_.currentPackets = packets;
        p_.currentPacketsSent = 0;
        p_.secondsPerPacket = secondsPerPacket;
        p_.currentRemaining = packets * secondsPerPacket;
        Logf(3, "Prep 3: Success; open %s file: /firmware/%s\n", name, FileNameOf(kind));
        Logf(3, "Prep 4: Scan file; will send %d data packets to HBD\n\n", packets);
        dlg_.HandleEvent(event::FileStart{p_});
        Logf(4, "Prep 5: Notify HBD to Begin Upload %s\n", name);
        Logf(1, "Sending to HBD \"Begin Upload, %s file\"\n", name);
        Logf(2, "Ack from HBD; ready to receive %s file\n", name);
    }
    void Packets(int count) {
        for (int i = 0; i < count; ++i) {
            ++p_.currentPacketsSent;
            p_.currentRemaining -= p_.secondsPerPacket;
            p_.totalRemaining -= p_.secondsPerPacket;
            dlg_.HandleEvent(event::PacketSent{p_});
        }
        const int n = p_.currentPacketsSent;
        Log(1, "\n");
        Logf(1, "%d.1: Sending to HBD; Prepare for packet %d of %d\n", n, n, p_.currentPackets);
        Logf(2, "%d.2: Ack from HBD; ready to receive next packet\n", n);
        Logf(1, "%d.3: Sending to HBD; Packet %d, %d bytes\n", n, n, 1026);
        Bytes(true, 48);
        Logf(1, "%d.4: Wait for response from HBD\n", n);
        Bytes(false, 4);
        Logf(2, "%d.5: Ack from HBD; received good packet\n", n);
        Log(6, "(94 ms)\n");
    }
    void Done(int elapsed) {
        p_.Board(p_.currentKind).elapsed = elapsed;
        --p_.filesRemaining;
        dlg_.HandleEvent(event::FileDone{p_});
    }
    // The unit answers at a baud rate of its own: every try comes back garbled.
    void Failed() {
        for (int attempt = 0; attempt < 3; ++attempt) {
            Log(0, "ERROR: Out of Order response from HBD (ID = 49)\n");
            Log(0, "  HBD: 31 F8 0E 7C \n");
        }
        dlg_.HandleEvent(event::FileFailed{p_, "Get Ack from HBD", FailureCause::kBadAnswer});
    }
    // A KX2 image: the start handshake, then frames.
    void StartKx2() {
        p_.currentKind = FileKind::kComm;
        p_.currentKindName = "KX2-FILE";
        p_.currentPackets = 65;
        p_.currentPacketsSent = 0;
        p_.secondsPerPacket = 1;
        p_.currentRemaining = 74;
        Log(3, "Prep 3: Success; open file: /firmware/KX2_R5_0.kx\n");
        Log(3, "Prep 4: Scan file; will send 65 data packets to HBD\n\n");
        dlg_.HandleEvent(event::FileStart{p_});
        Log(4, "Prep 5: Notify KX2, starting file upload\n");
        Log(1, "Sending to KX2 \"Request to start Upload file\n");
        Log(1, "Will wait 8 seconds for a response\n");
        Log(1, "Note: Received \"Begin Upload\" from KX2\n");
    }
    void Frames(int count) {
        for (int i = 0; i < count; ++i) {
            ++p_.currentPacketsSent;
            p_.currentRemaining = std::max(0, p_.currentRemaining - 1);
            p_.totalRemaining = p_.currentRemaining;
            Logf(1, "Sending to KX2, packet %d of %d (%d bytes)\n", p_.currentPacketsSent,
                 p_.currentPackets, 1024);
            dlg_.HandleEvent(event::PacketSent{p_});
        }
    }
    void AwaitConfirmation(int secondsLeft) {
        Log(1, "Finished sending 65 packets to KX2. Will wait 8 seconds for final response\n");
        dlg_.HandleEvent(event::AwaitingConfirmation{p_, secondsLeft});
    }
    void Unconfirmed() {
        for (int cycle = 0; cycle < 3; ++cycle) {
            Log(1, "Did not correct response from KX2.  Will request \"status\" from KX2\n");
            Log(1, "Sending to KX2 \"Status Request\n");
        }
        Log(0, "ERROR: KX2 never confirmed the upload\n");
        dlg_.HandleEvent(event::FileFailed{p_, "Final Response", FailureCause::kNoAnswer});
    }
    void Pause(int length, int left) {
        p_.delayLength = length;
        for (int s = length; s >= left; --s) {
            p_.delayRemaining = s;
            dlg_.HandleEvent(event::PauseTick{p_});
        }
    }
    void End(RunOutcome outcome = RunOutcome::kCompleted) {
        dlg_.HandleEvent(event::WorkerDone{outcome});
    }

  private:
    UploadProgressWindow& dlg_;
    UploadProgress p_;
};

void RenderProgressWindows(Gallery& gallery) {
    QTemporaryDir home;
    ProgramState state;
    state.appDir = home.path().toStdString() + "/";
    std::ofstream(state.IniPath()) << "[Views]\nShow Serial View=1\n[Load Files]\nAllow Abort=1\n";
    SystemClock clock;
    DialogRunner runner;
    NullSoundPlayer sounds;
    UploadSessions sessions;
    UploadProgressWindow::Selection sel;
    sel.commPath = "/firmware/COMM_V4_12.bin";
    sel.readerPath = "/firmware/READER_V2_03.bin";
    sel.speechPath = "/firmware/SPEECH_EN_1_7.bin";
    auto show = [](QWidget& w, QSize size) {
        w.setWindowState(Qt::WindowNoState);
        w.resize(size);
        w.show();
        QApplication::processEvents();
    };
    {
        UploadProgressWindow dlg(sel, state, clock, runner, sounds, sessions);
        show(dlg, kProgressWindowSize);
        ProgressFeeder feed(dlg);
        feed.Log(3,
                 "Prep 1: Success; Open log file "
                 "(/home/tech/.local/share/quillon7/Logs/Quillon_LogMsg_143005_07152024.txt)\n\n");
        feed.Log(3, "Prep 2: Success; open/configure serial port\n");
        feed.StartFile(FileKind::kComm, "COMM", 480, 1);
        feed.Packets(190);
        gallery.Save(dlg, "progress_running");
        dlg.SetViewMode(1);
        gallery.Save(dlg, "progress_max_msgs");
        dlg.SetViewMode(2);
        gallery.Save(dlg, "progress_max_bytes");
        dlg.SetViewMode(0);
        feed.Packets(290);
        feed.Done(482);
        feed.Log(1, "Delay 60 seconds before next upload.\n");
        feed.Pause(60, 38);
        gallery.Save(dlg, "progress_pause");
        feed.StartFile(FileKind::kReader, "READER", 224, 2);
        feed.Packets(224);
        feed.Done(451);
        feed.Pause(60, 0);
        feed.StartFile(FileKind::kSpeech, "SPEECH", 1536, 1);
        feed.Packets(1536);
        feed.Done(1540);
        feed.End();
        gallery.Save(dlg, "progress_done");
    }
    {
        UploadProgressWindow dlg(sel, state, clock, runner, sounds, sessions);
        show(dlg, kProgressWindowSize);
        ProgressFeeder feed(dlg);
        feed.StartFile(FileKind::kComm, "COMM", 480, 1);
        feed.Packets(480);
        feed.Done(481);
        feed.Pause(60, 0);
        feed.StartFile(FileKind::kReader, "READER", 224, 2);
        feed.Packets(37);
        feed.Failed();
        feed.End(RunOutcome::kFailed);
        gallery.Save(dlg, "progress_failed");
        dlg.resize(dlg.minimumSize());
        QApplication::processEvents();
        gallery.Save(dlg, "progress_minimum");
    }
    sel = {};
    sel.kx2 = true;
    sel.commPath = "/firmware/KX2_R5_0.kx";
    {
        // Every frame out, the unit's word still awaited; then its "complete".
        UploadProgressWindow dlg(sel, state, clock, runner, sounds, sessions);
        show(dlg, kProgressWindowSize);
        ProgressFeeder feed(dlg, true);
        feed.StartKx2();
        feed.Frames(65);
        feed.AwaitConfirmation(118);
        gallery.Save(dlg, "progress_kx2_waiting");
        // A small laptop's screen: Abort beside Cancel, the way back from the serial view kept.
        show(dlg, kNetbookSize);
        gallery.Save(dlg, "progress_kx2_1024x600");
        feed.Done(71);
        feed.End();
        gallery.Save(dlg, "progress_kx2_done");
    }
    {
        // The unit took every frame and never said "complete".
        UploadProgressWindow dlg(sel, state, clock, runner, sounds, sessions);
        show(dlg, kProgressWindowSize);
        ProgressFeeder feed(dlg, true);
        feed.StartKx2();
        feed.Frames(65);
        feed.AwaitConfirmation(118);
        feed.Unconfirmed();
        feed.End(RunOutcome::kNoFinalAnswer);
        gallery.Save(dlg, "progress_kx2_unconfirmed");
    }
    {
        // Cancel, Yes: the window stays until the worker has stopped, then shows the end.
        UploadProgressWindow dlg(sel, state, clock, runner, sounds, sessions);
        show(dlg, kProgressWindowSize);
        ProgressFeeder feed(dlg, true);
        feed.StartKx2();
        feed.Frames(30);
        runner.AnswerNext(QMessageBox::Yes);
        dlg.CancelButton()->click();
        gallery.Save(dlg, "progress_kx2_stopping");
        feed.Log(2, " ");
        feed.Log(2, "*** USER ABORTED UPLOAD ***\n");
        feed.End(RunOutcome::kAborted);
        gallery.Save(dlg, "progress_kx2_canceled");
    }
}

void RenderTextView(Gallery& gallery) {
    QTemporaryDir home;
    ProgramState state;
    state.appDir = home.path().toStdString() + "/";
    SystemClock clock;
    SerialTerminalWindow view(
        {1, home.filePath("no-such-port").toStdString(), 19200, MakeSystemSerialBackend()}, state,
        clock);
    view.setWindowState(Qt::WindowNoState);
    view.resize(kTextViewSize);
    view.show();
    for (int i = 0; i < 200 && !view.ReaderFinished(); ++i) {
        QThread::msleep(10);
    }
    for (int i = 0; i < 100 && !view.Pane()->toPlainText().contains("Failed"); ++i) {
        QApplication::processEvents();
        QThread::msleep(10);
    }
    gallery.Save(view, "textview_port_failed");
    view.Pane()->clear();
    view.AppendText(QStringLiteral(
        "\n\nHBD COMM V4.12  (C) Tamarack\r\nSelf test ........ OK\r\nAxle counter ..... OK\r\n"
        "Temperature ...... 21 C\r\n> "));
    view.SendCharacter(QLatin1Char('s'));
    view.SendCharacter(QLatin1Char('t'));
    gallery.Save(view, "textview_session");
    view.ExitButton()->click();
}

}  // namespace

bool RenderScreenshots(const QString& folder, const ProgramState& state) {
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "quillon7-screenshots: cannot create the folder %s\n",
                     qPrintable(folder));
        return false;
    }
    Gallery gallery(folder);
    RenderButtonStates(gallery);
    RenderButtonAlignments(gallery);
    RenderButtonImages(gallery);
    RenderButtonModes(gallery);
    RenderStatics(gallery);
    RenderCounters(gallery);
    RenderOthers(gallery);
    RenderDialogs(gallery, state);
    RenderProgressWindows(gallery);
    RenderTextView(gallery);
    const bool windows = RenderWindowScreenshots(folder);
    return gallery.Ok() && windows;
}

}  // namespace quillon
