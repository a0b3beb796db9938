// The program's look, set once on the application: every window, the message boxes and the file dialog
// included, takes it.
#pragma once

class QApplication;

void applySkin(QApplication& application);
