#pragma once
// Runs a function once after the pending events, however often it was asked
// for meanwhile: a burst of changes redraws once.
#include <QObject>
#include <QTimer>
#include <functional>

namespace widgets {

class LaterOnce {
public:
    // `owner` outlives the requests (the run is dropped with it).
    LaterOnce(QObject* owner, std::function<void()> run) : m_owner(owner), m_run(std::move(run)) {}

    void request() {
        if (m_pending)
            return;
        m_pending = true;
        QTimer::singleShot(0, m_owner, [this] {
            m_pending = false;
            m_run();
        });
    }

private:
    QObject* m_owner;
    std::function<void()> m_run;
    bool m_pending = false;
};

} // namespace widgets
