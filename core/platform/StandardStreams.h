// Descriptors 0, 1 and 2 open before anything else is: a program started with one of them
// closed (`>&-`, a daemon that closed its streams) would otherwise be given that number for the
// next file it opens, and stdout would write into a serial port, a log or a pseudo-terminal.
// Every program calls this first thing in main.
#pragma once

namespace quillon {

// Opens the null device on each standard descriptor that is closed. False when one could not be
// opened; the caller must then not go on (nothing can be said: stderr may be among them).
bool OpenClosedStandardStreams();

}  // namespace quillon
