// The settings window's list rules without the window: every printer, pitch,
// tag kind and label type either has print values or a message, and the
// combinations that cannot be stored say why.
#include "main/settings/SetupRules.h"

#include <QtTest>

using namespace settings::setup;

class SetupRulesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyReflectiveChoiceIsCovered() {
        int rows = 0;
        for (int printer : {SX5T, SA4TP})
            for (int pitch : {Short, Long})
                for (int tag : {Samsung, Lusem, UrTech, RfLink})
                    for (int type : {LabelType, HangTag}) {
                        const ReflectiveRow* row = reflectiveDefaults({printer, pitch, tag, type});
                        if (printer == SA4TP && pitch == Long) {
                            QVERIFY(!row); // that printer has no long pitch
                            continue;
                        }
                        QVERIFY(row);
                        QVERIFY((row->message == nullptr) == (row->txtLabelH != nullptr));
                        ++rows;
                    }
        QCOMPARE(rows, 24);
        const ReflectiveRow* sa4tp = reflectiveDefaults({SA4TP, Short, Samsung, HangTag});
        QCOMPARE(QByteArray(sa4tp->txtPrtY), QByteArray("150"));
        QCOMPARE(QByteArray(sa4tp->txtDensity), QByteArray("0"));
    }

    void combinations() {
        QCOMPARE(combinationProblem({SX5T, Short, Samsung, LabelType}, ConnTcp), QString());
        QCOMPARE(combinationProblem({SX5T, Short, UrTech, HangTag}, ConnTcp),
                 QStringLiteral("UR-TECH의 고리형Tag Type은 존재하지 않습니다."));
        QCOMPARE(combinationProblem({SX5T, Long, RfLink, HangTag}, ConnTcp),
                 QStringLiteral("RF링크의 고리형Tag Type은 지원되지 않습니다."));
        QCOMPARE(combinationProblem({SX5T, Short, RfLink, HangTag}, ConnTcp), QString());
        QCOMPARE(combinationProblem({SX5T, Short, Samsung, LabelType}, ConnUsb),
                 QStringLiteral("B-SX5T는 USB모드를 지원하지 않습니다."));
        QCOMPARE(combinationProblem({SA4TP, Short, Samsung, LabelType}, ConnSerial),
                 QStringLiteral("B-SA4TP는 serial모드를 지원하지 않습니다."));
        QCOMPARE(combinationProblem({SA4TP, Short, Samsung, LabelType}, ConnUsb), QString());
    }
};

QTEST_GUILESS_MAIN(SetupRulesTest)
#include "SetupRulesTest.moc"
