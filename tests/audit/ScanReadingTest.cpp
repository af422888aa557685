// Reading a reader's export: the tag data decoded back into the readable tag
// id for organisation codes of every shape, and each file format a handheld
// or its desktop tool writes, with the files that must be refused.
#include "main/audit/ScanFile.h"
#include "main/audit/TagDecode.h"
#include "main/spreadsheet/XlsWriter.h"
#include "main/tagdata/TagData.h"
#include "platform/RuntimeError.h"
#include "tests/support/TestSupport.h"

#include <QtTest>

using audit::ForeignReason;
Q_DECLARE_METATYPE(audit::ForeignReason)

class ScanReadingTest : public QObject {
    Q_OBJECT

private slots:
    void decodesTheTagData_data() {
        QTest::addColumn<QString>("organ");
        QTest::addColumn<QString>("epc");
        QTest::addColumn<QString>("tagId");
        QTest::addColumn<ForeignReason>("reason");
        QTest::addColumn<QString>("detail");
        const auto data = [](const char* organ, const char* serial) {
            return tagdata::SetTagData(QLatin1String(tagdata::kTagPrefix), QLatin1String(organ),
                                       QLatin1String(serial), QStringLiteral("01"));
        };
        QTest::newRow("worked example") << "ABC12345"
                                        << "05410D0420F1CB3D3500000000000101"
                                        << "ABC12345000000000001"
                                           "01"
                                        << ForeignReason::None << "";
        QTest::newRow("reader's spelling") << "ABC12345"
                                           << " 0x05410d0420f1cb3d35 00000000000101\r"
                                           << "ABC1234500000000000101" << ForeignReason::None << "";
        QTest::newRow("urn raw hex") << "ABC12345"
                                     << "urn:epc:raw:128.x05410D0420F1CB3D3500000000000101"
                                     << "ABC1234500000000000101" << ForeignReason::None << "";
        QTest::newRow("urn raw decimal") << "ABC12345"
                                         << "urn:epc:raw:128.6983903273162671895423010599811940609"
                                         << "ABC1234500000000000101" << ForeignReason::None << "";
        QTest::newRow("small letters") << "gg413500" << data("GG413500", "000000123456")
                                       << "gg413500000000123456"
                                          "01"
                                       << ForeignReason::None << "";
        QTest::newRow("odd length, bits dropped")
            << "ABC" << data("ABC", "999999999999") << "ABC99999999999901" << ForeignReason::None << "";
        QTest::newRow("odd length, short group")
            << "A-1" << data("A-1", "000000000007") << "A-100000000000701" << ForeignReason::None << "";
        QTest::newRow("blank for hyphen")
            << "A 12" << data("A-12", "000000000042") << "A 1200000000004201" << ForeignReason::None << "";
        QTest::newRow("no organisation code")
            << "" << data("", "000000000042") << "00000000004201" << ForeignReason::None << "";
        QTest::newRow("another organisation") << "GG413500" << data("SE123400", "000000000042") << ""
                                              << ForeignReason::Organisation << "SE123400";
        QTest::newRow("another organisation, shorter code")
            << "GG413500" << data("SEOUL1", "000000000042") << "" << ForeignReason::Organisation << "SEOUL1";
        QTest::newRow("another system's EPC") << "GG413500"
                                              << "3034257BF7194E4000001A85"
                                              << "" << ForeignReason::Prefix << "303425";
        QTest::newRow("not hexadecimal") << "GG413500"
                                         << "urn:epc:id:sgtin:0614141.107346.2017"
                                         << "" << ForeignReason::NotHex << "";
        QTest::newRow("odd length of digits") << "GG413500"
                                              << "05410D1C7D31CF5C300000000"
                                              << "" << ForeignReason::Length << "25";
        QTest::newRow("letter in the serial")
            << "GG413500" << QString(data("GG413500", "000000000042")).replace(20, 1, QLatin1Char('A')) << ""
            << ForeignReason::Serial << "";
        QTest::newRow("another suffix") << "GG413500" << data("GG413500", "000000000042").chopped(2) + "02"
                                        << "" << ForeignReason::Serial << "";
    }
    void decodesTheTagData() {
        QFETCH(QString, organ);
        QFETCH(QString, epc);
        QFETCH(QString, tagId);
        QFETCH(ForeignReason, reason);
        QFETCH(QString, detail);
        const audit::DecodedRead d = audit::TagDecoder(organ).decode(epc);
        QCOMPARE(d.tagId, tagId);
        QCOMPARE(d.reason, reason);
        QCOMPARE(d.detail, detail);
    }

    void readsEveryExportFormat_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("reads");
        QTest::addColumn<QStringList>("extraColumns");
        QTest::addColumn<QStringList>("lastRead"); // EPC, then the other columns
        const QByteArray a = "05410D1C7D31CF5C3000000000000101", b = "05410D1C7D31CF5C3000000000000201";
        QTest::newRow("plain list") << "scan.txt"
                                    << QByteArray("\xEF\xBB\xBF" + a + "\r\n" + b + "\r\n\r\n" + a) << 3
                                    << QStringList() << QStringList{a};
        QTest::newRow("csv with EPC column") << "scan.csv"
                                             << QByteArray("\xEF\xBB\xBF"
                                                           "Antenna,EPC,RSSI,Count,Time\r\n1," +
                                                           a + ",-51,2,10:00\r\n2," + b + ",-60,1,10:01\r\n")
                                             << 2 << QStringList{"Antenna", "RSSI", "Count", "Time"}
                                             << QStringList{b, "2", "-60", "1", "10:01"};
        QTest::newRow("tab-separated TagID")
            << "export.txt" << QByteArray("No\tTag ID\tLocation\n1\t" + a + "\t2층 창고\n") << 1
            << QStringList{"No", "Location"} << QStringList{a, "1", "2층 창고"};
        QTest::newRow("semicolons, EPC ID after a title")
            << "r.csv" << QByteArray("Inventory 2026-12-10\nEPC ID;Time\n" + a + ";t1\n\"" + b + "\";t2\n")
            << 2 << QStringList{"Time"} << QStringList{b, "t2"};
        const QByteArray epcis =
            "{\"@context\":[\"https://ref.gs1.org/standards/epcis/epcis-context.jsonld\"],\n"
            "            "
            "\"type\":\"EPCISDocument\",\"schemaVersion\":\"2.0\",\"epcisBody\":{\"eventList\":[\n"
            "            "
            "{\"type\":\"ObjectEvent\",\"eventTime\":\"2026-12-10T10:00:00+09:00\",\"action\":\"OBSERVE\",\n"
            "             \"readPoint\":{\"id\":\"urn:epc:id:sgln:1\"},\"epcList\":[\"urn:epc:raw:128.x" +
            a + "\", \"" + b +
            "\"]},\n"
            "            {\"type\":\"AggregationEvent\",\"childEPCs\":[\"x\"]},\n"
            "            "
            "{\"type\":\"ObjectEvent\",\"eventTime\":\"t2\",\"bizLocation\":{\"id\":\"loc\"},\"epcList\":["
            "\"" +
            a + "\"]}]}}";
        QTest::newRow("EPCIS document")
            << "scan.jsonld" << epcis << 3 << QStringList{"eventTime", "readPoint", "bizLocation"}
            << QStringList{a, "t2", "", "loc"};
        QTest::newRow("EPCIS query result, bare event list")
            << "q.json"
            << QByteArray("{\"epcisBody\":{\"queryResults\":{\"resultsBody\":{\"eventList\":[{\"type\":"
                          "\"ObjectEvent\",\"epcList\":[\"" +
                          b + "\"]}]}}}}")
            << 1 << QStringList{"eventTime", "readPoint", "bizLocation"} << QStringList{b, "", "", ""};
    }
    void readsEveryExportFormat() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(int, reads);
        QFETCH(QStringList, extraColumns);
        QFETCH(QStringList, lastRead);
        testsupport::TempProgramDir dir;
        dir.write(name, bytes);
        QList<int> progress;
        const audit::ScanFile scan = audit::readScanFile(dir.file(name), [&](int p) { progress << p; });
        QCOMPARE(static_cast<int>(scan.reads.size()), reads);
        QCOMPARE(scan.extraColumns, extraColumns);
        QCOMPARE(QStringList{scan.reads.back().epc} + scan.reads.back().extra, lastRead);
        QCOMPARE(scan.sha256.size(), 64);
        QCOMPARE(progress.value(progress.size() - 1), 100);
    }

    void readsAnXlsSheet() {
        testsupport::TempProgramDir dir;
        const QStringList epcs = {"05410D1C7D31CF5C3000000000000101", "05410d1c7d31cf5c3000000000000201"};
        QVERIFY(spreadsheet::writeXls(dir.file("scan.xls"), 3, 2, [&](int r, int c) -> QString {
            if (r == 0)
                return c == 0 ? QStringLiteral("RSSI") : QStringLiteral("EPC");
            return c == 0 ? QStringLiteral("-50") : epcs[r - 1];
        }));
        const audit::ScanFile scan = audit::readScanFile(dir.file("scan.xls"));
        QCOMPARE(static_cast<int>(scan.reads.size()), 2);
        QCOMPARE(scan.reads[1].epc, epcs[1]);
        QCOMPARE(scan.extraColumns, QStringList{"RSSI"});
    }

    void refusesWhatIsNoScan_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        QTest::newRow("no EPC column")
            << "items.csv" << QByteArray("name,amount\r\nchair,3\r\n") << "EPC 열을 찾을 수 없습니다";
        QTest::newRow("names, no hex")
            << "list.txt" << QByteArray("chair\ndesk\n") << "EPC 열을 찾을 수 없습니다";
        QTest::newRow("header only") << "e.csv" << QByteArray("EPC,RSSI\r\n") << "읽은 EPC가 하나도 없습니다";
        QTest::newRow("broken JSON") << "e.json" << QByteArray("{\"epcisBody\": [")
                                     << "JSON 문서를 읽을 수 없습니다";
        QTest::newRow("JSON without object events")
            << "e.json" << QByteArray("{\"type\":\"EPCISDocument\",\"epcisBody\":{\"eventList\":[]}}")
            << "epcList가 있는 ObjectEvent가 없습니다";
        QTest::newRow("damaged xls") << "e.xls" << QByteArray("\xD0\xCF\x11\xE0 not really") << "e.xls";
    }
    void refusesWhatIsNoScan() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        testsupport::TempProgramDir dir;
        dir.write(name, bytes);
        try {
            audit::readScanFile(dir.file(name));
            QFAIL("the file was read");
        } catch (const platform::RuntimeError& e) {
            QVERIFY2(e.text().contains(message), qPrintable(e.text()));
        }
    }
};

QTEST_GUILESS_MAIN(ScanReadingTest)
#include "ScanReadingTest.moc"
