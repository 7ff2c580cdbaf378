#include "sim/UnitOptions.h"

namespace quillon::sim {

namespace {

constexpr char kFaults[] = "faults";

constexpr OptionSpec kDevice{.name = "device",
                             .value = "PATH",
                             .help = "answer on this serial device instead of a new pty",
                             .hint = ValueHint::kDevice};
constexpr OptionSpec kLatency{.name = "latency",
                              .value = "MS",
                              .help =
                                  "turnaround before every answer, in milliseconds (0 to "
                                  "60000)"};
constexpr OptionSpec kFlood{.name = "flood", .help = "send noise continuously", .group = kFaults};
constexpr OptionSpec kHelp{.name = "help", .help = "show this help and exit", .shortName = 'h'};

OptionSpec Fault(const char* name, const char* value, const char* help) {
    return {.name = name, .value = value, .help = help, .group = kFaults};
}

std::vector<UnitKindSpec> MakeKinds() {
    return {
        {"hbd",
         "an HBD unit (COMM, READER and SPEECH boards)",
         {kDevice,
          {.name = "block-packets", .value = "N", .help = "packets per flash block (default 8)"},
          kLatency,
          {.name = "exit-after-boards",
           .value = "N",
           .help = "end after N board images were received (1 to 1000)"},
          Fault("silent-exchange", "N", "no answer to the N-th host packet"),
          Fault("unknown-code-exchange", "N", "answer the N-th host packet with a non-digit code"),
          Fault("partial-exchange", "N", "answer the N-th host packet with 05 05 only"),
          Fault("bad-reply-packet", "N", "answer data packet N with --bad-reply-code ..."),
          {.name = "bad-reply-code",
           .value = "HEX",
           .help = "... in hexadecimal, with or without 0x: 34 (bad packet), 37 (write failed), "
                   "38 (abort) ...",
           .hint = ValueHint::kWords,
           .words = "0x34 0x37 0x38",
           .group = kFaults},
          Fault("bad-reply-times", "K", "... K times (default 1)"),
          Fault("flash-silent-packet", "N",
                "never confirm the flash write ending with packet N (once)"),
          Fault("hangup-after-packet", "N", "drop the line after data packet N"),
          Fault("noise", "N", "N noise bytes before every answer (0 to 4096)"),
          kFlood,
          kHelp}},
        {"kx2",
         "a KX2 unit (one .kx image, frames with resend lists)",
         {kDevice,
          kLatency,
          {.name = "exit-after-boards",
           .value = "N",
           .help = "end once the image is complete (N is 1)"},
          {.name = "lose-packet",
           .value = "N",
           .help = "drop packet N the first time it comes; may be given more than once",
           .repeatable = true,
           .group = kFaults},
          Fault("cancel-after-packet", "N", "cancel the session when packet N arrives"),
          {.name = "end-of-pass",
           .value = "MODE",
           .help = "what the unit says when a pass ends: normal (complete or resend list), "
                   "cancel or silent",
           .hint = ValueHint::kWords,
           .words = "normal cancel silent",
           .group = kFaults},
          Fault("silent-start", "N", "ignore the first N start requests"),
          Fault("unknown-answers", "N", "answer the first N start requests with an unknown type"),
          Fault("incomplete-frame", nullptr,
                "answer the first start request with a frame that never ends"),
          Fault("silent-status", nullptr, "never answer a status request"),
          Fault("noise", "N", "N noise bytes before the first Begin Upload"),
          kFlood,
          kHelp}},
    };
}

}  // namespace

const std::vector<UnitKindSpec>& UnitKinds() {
    static const std::vector<UnitKindSpec> kinds = MakeKinds();
    return kinds;
}

std::string UnitKindHelp(const UnitKindSpec& kind) {
    return std::string("usage: quillon7-sim ") + kind.name + " [options]\n" +
           "Numbers are decimal, hexadecimal with 0x, or octal with a leading 0.\n\n" +
           OptionListText(kind.options);
}

}  // namespace quillon::sim
