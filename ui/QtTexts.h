// Qt's own texts (dialog buttons, the file dialog's labels) in Chinese, like the rest of the program,
// whatever the system's language.
#pragma once

class QCoreApplication;

void useChineseQtTexts(QCoreApplication& application);
