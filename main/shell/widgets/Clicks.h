#pragma once
// A window's buttons and the handlers their clicks run, as one table.
#include <QAbstractButton>
#include <initializer_list>
#include <utility>

namespace widgets {

template <class Window>
void connectClicks(Window* window,
                   std::initializer_list<std::pair<QAbstractButton*, void (Window::*)()>> clicks) {
    for (const auto& [button, handler] : clicks)
        QObject::connect(button, &QAbstractButton::clicked, window, handler);
}

} // namespace widgets
