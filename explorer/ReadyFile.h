// Tells whoever started the explorer that its window is up: when the environment names a file
// in SSEXP_READY_FILE, the process id and the window's title are written there (atomically)
// once the window has been shown. A program that starts the explorer without arguments (the
// add-in) can be checked this way.
#pragma once

class QWidget;

void reportWindowShown(const QWidget& window);
