#pragma once
// What one test function runs in: a fresh program directory and an operator
// that records every message. A test class deriving from ScopedTestCase gets
// one per case, ended in cleanup() also when a check fails.
#include "tests/support/RecordingOperator.h"
#include "tests/support/TestSupport.h"

#include <QObject>
#include <memory>

namespace testsupport {

struct TestScope {
    TempProgramDir dir;
    RecordingOperator op;
    OperatorScope installed{op};
};

class ScopedTestCase : public QObject {
    Q_OBJECT
protected:
    std::unique_ptr<TestScope> m_t;

private slots:
    void init() { m_t = std::make_unique<TestScope>(); }
    void cleanup() { m_t.reset(); }
};

} // namespace testsupport
