// Label images of the virtual printer: both label types and a test issue,
// sent as the main program sends them, checked where the records put ink.
#include "tests/support/PrinterSimProcess.h"

#include "main/issuing/CommandRecords.h"
#include "main/labelimage/LabelCanvas.h"
#include "main/tagdata/TagData.h"

#include <QDir>
#include <QImage>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using namespace issuing::records;
using labelimage::toDots;
using testsupport::PrinterSimProcess;

namespace {

constexpr int Margin = 16; // grey border around the label in the image

const char* F51 = ",2,2,51,-01,00,B,+0000000000|}";
const char* H7 = ",07,07,H,00,B,+0000000000|}";

QByteArray text(int field, int x, int y, const char* attributes, const QString& data) {
    const bool doubleByte = QByteArray(attributes).contains(",51,");
    return fieldFormat(field, x, y, attributes) +
           fieldData(field, doubleByte ? tagdata::GetHangul(data) : data.toLatin1());
}

QByteArray labelType(bool testIssue, const QString& tagText) {
    QByteArray r = clear();
    r += text(15, 70, 50, ",08,08,H,00,B,+0000000000|}", tagText);
    r += text(1, 65, 92, F51, QStringLiteral("정직과 신뢰의 자산관리"));
    if (testIssue)
        r += text(16, 625, 85, ",3,3,51,-01,00,B,+0000000000|}", QStringLiteral("[테스트 발행]"));
    r += line(60, 120, 880, 280, ",1,2,010|}");
    for (int y : {160, 200, 240})
        r += line(60, y, 880, y, ",0,2|}");
    r += line(180, 120, 180, 280, ",0,3|}");
    r += line(520, 120, 520, 200, ",0,3|}");
    r += line(700, 120, 700, 200, ",0,3|}");
    r += text(2, 70, 130, F51, QStringLiteral("분류번호"));
    r += text(3, 190, 150, H7, QStringLiteral("1234-56"));
    r += text(4, 530, 130, ",2,2,51,-03,00,B,+0000000000|}", QStringLiteral("구입(납품)단가"));
    r += text(5, 860 - 12 * 9, 150, H7, QStringLiteral("1,234,000"));
    r += text(6, 70, 170, F51, QStringLiteral("물 품 명"));
    r += text(7, 190, 170, ",2,2,51,-04,00,B,+0000000000|}", QStringLiteral("노트북 컴퓨터"));
    r += text(8, 530, 170, ",2,2,51,-03,00,B,+0000000000|}", QStringLiteral("구입(납품)일자"));
    r += text(9, 742, 190, H7, QStringLiteral("2024-03-15"));
    r += text(10, 70, 210, F51, QStringLiteral("규 격 명"));
    r += text(11, 190, 210, ",2,2,51,-03,00,B,+0000000000|}", QStringLiteral("15인치 10*20-30"));
    r += text(12, 70, 250, F51, QStringLiteral("비    고"));
    r += text(13, 190, 270, ",07,07,H,-02,00,B,+0000000000|}", tagText);
    r += text(14, 720 - 15 * 6, 285, ",15,15,51,-06,00,B,+0000000000|}",
              QStringLiteral("이 물품은 한국물품공사 자산입니다."));
    return r;
}

QByteArray hangTagType(const QString& tagText) {
    QByteArray r = clear();
    r += line(235, 0, 685, 200, ",1,2,010|}");
    for (int y : {40, 80, 120, 160})
        r += line(235, y, 685, y, ",0,2|}");
    r += line(395, 0, 395, 200, ",0,3|}");
    r += text(2, 240, 10, ",2,2,51,+01,00,B,+0000000000|}", QStringLiteral("분 류 번 호"));
    r += text(3, 405, 30, H7, QStringLiteral("1234-56"));
    r += text(8, 240, 50, ",2,2,51,-06,00,B,+0000000000|}", QStringLiteral("구입(납품)일자"));
    r += text(9, 405, 70, H7, QStringLiteral("2024-03-15"));
    r += text(10, 240, 90, F51, QStringLiteral("규   격   명"));
    r += text(11, 405, 90, ",2,2,51,-03,00,B,+0000000000|}", QStringLiteral("15인치 10*20-30"));
    r += text(12, 240, 130, F51, QStringLiteral("비        고"));
    r += text(13, 405, 150, ",07,07,H,-02,00,B,+0000000000|}", tagText);
    r += text(14, 240, 170, F51, QStringLiteral("구입일련번호"));
    r += text(15, 405, 190, H7, QStringLiteral("P2024-0001"));
    return r;
}

// Dark pixels in a rectangle given in tenths of a millimetre on the label.
int ink(const QImage& image, int x1, int y1, int x2, int y2) {
    int dark = 0;
    for (int y = Margin + toDots(y1); y < Margin + toDots(y2); ++y)
        for (int x = Margin + toDots(x1); x < Margin + toDots(x2); ++x)
            if (qGray(image.pixel(x, y)) < 100)
                ++dark;
    return dark;
}

} // namespace

class PrinterSimLabels : public QObject {
    Q_OBJECT

private slots:
    void eachLabelTypeBecomesAPicture() {
        QTemporaryDir dir;
        const QString labels = dir.filePath(QStringLiteral("labels"));
        PrinterSimProcess sim;
        QVERIFY2(
            sim.start({QStringLiteral("--tcp"), QStringLiteral("0"), QStringLiteral("--labels"), labels}),
            qPrintable(sim.error()));
        QTcpSocket s;
        s.connectToHost(sim.host(), sim.port());
        QVERIFY(s.waitForConnected(3000));

        const QString tagData = tagdata::SetTagData(QStringLiteral("05410D"), QStringLiteral("AB123456"),
                                                    QStringLiteral("000000000042"), QStringLiteral("01"));
        const QString tagTextL = QStringLiteral("AB1-234-56-000000000042-01 : P2024-0001");
        s.write(density(QStringLiteral("+05"), true) + density(QStringLiteral("+05"), false) + clear() +
                feed(QStringLiteral("+0130")) + size(320, 940, 300));
        const QByteArray tail = rfidSetup(false) + rfidData(tagData.toLatin1()) + issue(false);
        s.write(labelType(false, tagTextL) + tail);
        s.write(hangTagType(QStringLiteral("AB1-234-56-000000000042")) + tail);
        s.write(labelType(true, tagTextL) + tail);
        // A program directory without label settings sends an all-zero size:
        // the printer keeps its size and still issues.
        s.write(size(0, 0, 0) + labelType(false, tagTextL) + tail);
        QByteArray answers;
        while (answers.count('\n') < 4 && s.waitForReadyRead(5000))
            answers += s.readAll();
        QCOMPARE(answers.count("\x01\x02"
                               "40"),
                 4);

        const QStringList files = QDir(labels).entryList(QDir::Files, QDir::Name);
        QCOMPARE(files, (QStringList{"label-000001.png", "label-000002.png", "label-000003.png",
                                     "label-000004.png"}));
        QCOMPARE(QImage(QDir(labels).filePath(files[3])).size(),
                 QImage(QDir(labels).filePath(files[0])).size());
        QImage label(QDir(labels).filePath(files[0]));
        QImage hangTag(QDir(labels).filePath(files[1]));
        QImage testLabel(QDir(labels).filePath(files[2]));
        QVERIFY(!label.isNull() && !hangTag.isNull() && !testLabel.isNull());
        // 94 x 30 mm at 203 dpi, plus the border and the strip under it.
        QCOMPARE(label.width(), toDots(940) + 2 * Margin);
        QVERIFY(label.height() > toDots(300) + 2 * Margin);

        // Rules: the box edges and the inner lines of the label type.
        QVERIFY(ink(label, 300, 119, 310, 123) > 0); // top of the box
        QVERIFY(ink(label, 300, 159, 310, 163) > 0); // first row line
        QVERIFY(ink(label, 179, 210, 184, 220) > 0); // column line
        QCOMPARE(ink(label, 400, 95, 500, 115), 0);  // above the box: white
        // Captions in Hangul in their cells, values in theirs.
        QVERIFY(ink(label, 70, 130, 175, 158) > 40);   // 분류번호
        QVERIFY(ink(label, 190, 128, 500, 155) > 40);  // 1234-56
        QVERIFY(ink(label, 760, 128, 870, 155) > 40);  // amount at the right edge
        QVERIFY(ink(label, 190, 250, 860, 275) > 100); // tag text
        QVERIFY(ink(label, 70, 25, 600, 55) > 100);    // tag text on top
        // The test caption only on the test issue.
        QCOMPARE(ink(label, 640, 86, 860, 115), 0);
        QVERIFY(ink(testLabel, 640, 86, 860, 115) > 40);

        // Hang-tag: box from the top edge, no label-type texts.
        QVERIFY(ink(hangTag, 400, 0, 420, 3) > 0);
        QVERIFY(ink(hangTag, 240, 10, 390, 38) > 40); // 분 류 번 호
        QCOMPARE(ink(hangTag, 60, 120, 230, 280), 0);

        // Under the label: the tag data written into the inlay.
        int strip = 0;
        for (int y = Margin + toDots(300) + Margin; y < label.height(); ++y)
            for (int x = 0; x < label.width(); ++x)
                strip += qGray(label.pixel(x, y)) < 100;
        QVERIFY(strip > 200);
    }
};

QTEST_GUILESS_MAIN(PrinterSimLabels)
#include "tst_printersim_labels.moc"
