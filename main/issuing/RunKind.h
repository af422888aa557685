#pragma once
// The kinds of issuing run (nProc), as the run and each tag issue read them.
#include <QtGlobal>

namespace issuing {

inline constexpr qint16 kIssue = 1;
inline constexpr qint16 kReissue = 2;
inline constexpr qint16 kTestIssue = 3;

// A test run may print at most this many labels.
inline constexpr int kTestIssueLimit = 10;

} // namespace issuing
