// Ctrl-C, a terminal closing or a polite kill during a capture: the first such signal only
// asks the tool to stop, so that it can finish what it has written; a second one ends it at
// once, as the signal would have without the tool.
#pragma once

// Catches SIGINT, SIGTERM, SIGHUP and SIGQUIT from now on, each unless it arrived ignored, and
// ignores SIGXFSZ and SIGPIPE, so that a write beyond the file-size limit or into a closed
// pipe fails as a write.
void CatchInterrupts();

// The signal that asked the tool to stop, or 0.
int Interruption();
