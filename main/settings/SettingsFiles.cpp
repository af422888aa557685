#include "main/settings/SettingsFiles.h"

#include "platform/Profile.h"
#include "platform/ProgramDir.h"
#include "platform/RuntimeError.h"

namespace settings {

QString settingsPath(const char* file) {
    return platform::programPath(QString::fromLatin1(file));
}

QString readSetting(const Key& key) {
    return readSetting(key, QString::fromLatin1(key.defaultValue));
}

QString readSetting(const Key& key, const QString& defaultValue) {
    return platform::readProfileText(settingsPath(key.file), QString::fromLatin1(key.section),
                                     QString::fromLatin1(key.key), defaultValue);
}

qint16 numberSetting(const Key& key) {
    const QString value = readSetting(key);
    try {
        return platform::toInt16(value);
    } catch (const platform::RuntimeError& e) {
        throw platform::RuntimeError(
            QStringLiteral("%1 값 \"%2\"은(는) -32768~32767 사이의 정수가 아닙니다(%3). "
                           "설정창에서 다시 저장하거나 파일의 값을 고쳐 주십시오.")
                .arg(keyPlace(key), value.size() > 40 ? value.left(40) + QStringLiteral("…") : value,
                     e.text()));
    }
}

QString keyPlace(const Key& key) {
    return QStringLiteral("%1 파일의 [%2] 섹션 %3")
        .arg(settingsPath(key.file), QString::fromLatin1(key.section), QString::fromLatin1(key.key));
}

void writeSetting(const Key& key, const QString& value) {
    platform::WritePrivateProfileStringA(QString::fromLatin1(key.section), QString::fromLatin1(key.key),
                                         value, settingsPath(key.file));
}

QString signedDigits(const QString& value, int digits) {
    const int n = platform::toInt16(value);
    const QString magnitude = QStringLiteral("%1").arg(n < 0 ? -n : n, digits, 10, QLatin1Char('0'));
    return (n < 0 ? QStringLiteral("-") : QStringLiteral("+")) + magnitude;
}

void selectListPosition(const QString& value, int count, int& position) {
    for (int i = 1; i <= count; ++i)
        if (value == QString::number(i))
            position = i - 1;
}

} // namespace settings
