// Puts a window, frame included, in the middle of the primary screen.
#pragma once

class QWidget;

void centreOnScreen(QWidget& window);
