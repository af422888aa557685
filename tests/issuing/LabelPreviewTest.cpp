// The preview draws exactly what the run sends: the records of a row's label
// are the ones the printer received for it, for both label types and every
// run kind, and the image is the printer's own image of that label.
#include "main/issuing/LabelPreview.h"
#include "main/issuing/LabelLayout.h"
#include "main/issuing/PrintJob.h"
#include "tests/support/IssueRig.h"

#include <QDir>
#include <QImage>
#include <QtTest>

using testsupport::IssueRig;

class LabelPreviewTest : public QObject {
    Q_OBJECT
private slots:
    void init() { issuing::gTestCount = 0; }

    void recordsAndImageAreThePrinters_data() {
        QTest::addColumn<int>("labelType");
        QTest::addColumn<int>("kind");
        for (const auto& [typeName, type] : {std::pair{"label", 0}, std::pair{"hang tag", 1}})
            for (const auto& [kindName, kind] :
                 {std::pair{"issue", int(issuing::kIssue)}, std::pair{"reissue", int(issuing::kReissue)},
                  std::pair{"test", int(issuing::kTestIssue)}})
                QTest::newRow(QByteArray(typeName).append(' ').append(kindName)) << type << kind;
    }

    void recordsAndImageAreThePrinters() {
        QFETCH(int, labelType);
        QFETCH(int, kind);
        IssueRig rig;
        QVERIFY2(rig.start(), qPrintable(rig.problem()));
        // A reissue runs over issued rows, the others over rows to issue.
        QVERIFY(rig.search(kind == issuing::kReissue ? 1 : 0) > 2);
        rig.tickOnly({2});
        rig.ctx.CboPrintType = labelType;
        // A test label's number is known before the run; a reissue's new one
        // is not, so its preview is the marked stand-in.
        const issuing::LabelPreview before = issuing::previewLabel(rig.ctx, 2, qint16(kind));
        QCOMPARE(before.placeholder, kind != issuing::kTestIssue);

        rig.job->Print_Pattern(qint16(kind));
        QVERIFY2(rig.job->lastRunCompleted(), qPrintable(rig.op.messages.join('|')));
        // After it the row carries its tag: an issue's preview is that label.
        const issuing::LabelPreview preview =
            kind == issuing::kTestIssue ? before : issuing::previewLabel(rig.ctx, 2, issuing::kIssue);
        QVERIFY(!preview.placeholder);
        QCOMPARE(preview.tagId, rig.grid.text(2, database::ColTagId));
        const QByteArray sent = rig.captured();
        for (const QByteArray& record : preview.records)
            QVERIFY2(sent.contains(record), record.constData());
        // After the run's format records, the label's own went out as one
        // run, in this order.
        QList<QByteArray> format;
        issuing::formatRecords(rig.setup, [&](const QByteArray& r) { format << r; });
        QCOMPARE(preview.records.first(format.size()), format);
        QVERIFY(sent.contains(preview.records.mid(format.size()).join()));

        const QStringList images = QDir(rig.dir.file(QStringLiteral("labels"))).entryList({"label-*.png"});
        QCOMPARE(images.size(), 1);
        const QImage printed(rig.dir.file(QStringLiteral("labels/") + images.first()));
        const QImage shown = issuing::previewImage(preview);
        QVERIFY(!shown.isNull());
        QCOMPARE(printed.convertToFormat(QImage::Format_RGB32).copy(shown.rect()), shown);
    }
};

QTEST_MAIN(LabelPreviewTest)
#include "LabelPreviewTest.moc"
