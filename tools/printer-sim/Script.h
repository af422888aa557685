#pragma once
// Scripted behaviour of the virtual printer: per status request and per label,
// what to answer and which fault to show. One directive a line:
//   status N|N-M|* ACTION [ARGS]      label N|N-M|* ACTION [ARGS]
// Actions: code CC, answers CC CC ..., silent, split K [MS], together,
// garbage HEX..., noise N, delay MS, gap MS, drop. See README.md.
#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>
#include <vector>

namespace printersim {

// What one event (a status request or an issued label) does. Unset fields fall
// back to the wildcard directive, then to the printer's own behaviour.
struct Behaviour {
    std::optional<QList<QByteArray>> codes; // answers in order
    std::optional<bool> silent;
    std::optional<int> splitAt;   // bytes in the first packet of each answer
    std::optional<int> splitMs;   // pause before the rest
    std::optional<bool> together; // all answers in one packet
    std::optional<QByteArray> garbage;
    std::optional<int> noise; // random bytes before and after the answers
    std::optional<int> delayMs;
    std::optional<int> gapMs;
    std::optional<bool> drop;

    void overlay(const Behaviour& other); // other's set fields win
};

class Script {
public:
    enum class Event { Status, Label };

    // Parses script text; on failure returns nullopt and sets error to
    // "line N: reason".
    static std::optional<Script> parse(const QString& text, QString* error);
    static std::optional<Script> load(const QString& path, QString* error);

    // The behaviour for event number n (counted from 1).
    Behaviour lookup(Event event, int n) const;
    bool isEmpty() const { return m_rules.empty(); }

private:
    struct Rule {
        Event event;
        int first = 0; // 0 = every number
        int last = 0;
        Behaviour behaviour;
    };
    std::vector<Rule> m_rules;
};

// A two-character status code is what goes between STX and the filler; any
// printable characters are allowed so that faulty answers can be scripted.
bool isValidCode(QByteArrayView code);

} // namespace printersim
