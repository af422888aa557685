#pragma once
// Whether a socket holds data to read, without waiting.
#include <QtGlobal>

namespace platform {

bool socketReadable(qintptr descriptor);

} // namespace platform
