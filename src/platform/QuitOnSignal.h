#pragma once

// Turns SIGTERM, SIGINT and SIGHUP into a normal quit of the event loop, so a
// session logout or `kill` still runs the closing sequence. No-op on Windows.
void quitOnTerminationSignals();
