#include "main/shell/Today.h"

#include <QDate>

namespace shell {

QString gToday;

void SetToday() {
    gToday = QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd"));
}

} // namespace shell
