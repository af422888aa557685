#include "platform/StopSignals.h"

namespace platform {

void StopSignals::deliver(int number) {
    m_received = number;
    if (m_onSignal)
        m_onSignal(number);
}

} // namespace platform
