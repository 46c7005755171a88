#pragma once

class QApplication;

// When a window of `app` is first exposed, prints "exposed <monotonic ns>" on standard output
// and ends the event loop. The start-up bench takes that as the moment the program is up.
void reportFirstExpose(QApplication &app);
