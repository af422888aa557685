// A named mutex in the global namespace: every session of the workstation
// sees it, and the system releases it when its owner dies.
#include "platform/SingleInstance.h"
#include "platform/win/OwnedHandle.h"

#include <QCryptographicHash>
#include <QDir>
#include <windows.h>

namespace platform {

struct SingleInstance::Held : OwnedHandle {};

SingleInstance::SingleInstance(const QString& name, const QString& dir) : m_name(name), m_dir(dir) {}
SingleInstance::~SingleInstance() = default;

bool SingleInstance::acquire() {
    if (m_held)
        return true;
    QString mutexName = QStringLiteral("Global\\") + m_name;
    if (!m_dir.isEmpty()) // a folder of its own: a name of its own
        mutexName += QLatin1Char('-') +
                     QString::fromLatin1(QCryptographicHash::hash(QDir(m_dir).absolutePath().toUtf8(),
                                                                  QCryptographicHash::Sha1)
                                             .toHex());
    auto held = std::make_unique<Held>();
    held->handle = CreateMutexW(nullptr, FALSE, reinterpret_cast<const wchar_t*>(mutexName.utf16()));
    if (!held->handle || GetLastError() == ERROR_ALREADY_EXISTS)
        return false;
    m_held = std::move(held);
    return true;
}

} // namespace platform
