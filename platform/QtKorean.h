#pragma once
// Qt's own texts (message-box buttons, file dialogs) in Korean, as the rest of
// the windows.
#include <QCoreApplication>

namespace platform {

// Installs Qt's Korean translations on app and makes Korean the default
// locale; false when no translation was found. The executable's
// "translations" folder is looked at before Qt's own.
bool installQtKorean(QCoreApplication& app);

} // namespace platform
