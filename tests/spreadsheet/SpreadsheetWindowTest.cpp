// The main window's spreadsheet buttons on the offscreen platform: the file
// dialogs with their titles, filters and folder, and what the window shows.
#include "main/database/DbConn.h"
#include "main/shell/LoginWindow.h"
#include "main/shell/RPMain.h"
#include "tests/support/IssueRig.h"
#include "tests/support/XlsRead.h"

#include <QApplication>
#include <QDate>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

using testsupport::IssueRig;

namespace {

template <class T = QWidget> T* control(QWidget* window, const char* name) {
    return window->findChild<T*>(QString::fromLatin1(name));
}

// Answers the next file dialog: records what it shows, then picks `file`
// (an empty name cancels).
class DialogAnswer {
public:
    explicit DialogAnswer(const QString& file) : m_file(file) {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!d)
                return;
            if (!seen) {
                title = d->windowTitle();
                filters = d->nameFilters();
                folder = d->directory().absolutePath();
                proposed = d->selectedFiles().value(0);
                seen = true;
            }
            if (m_file.isEmpty()) {
                m_timer.stop();
                d->reject();
                return;
            }
            // Typed into the name box, as the operator would.
            m_timer.stop();
            d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(m_file);
            QMetaObject::invokeMethod(d, "accept");
        });
        m_timer.start(20);
    }
    bool seen = false;
    QString title, folder, proposed;
    QStringList filters;

private:
    QString m_file;
    QTimer m_timer;
};

} // namespace

class SpreadsheetWindowTest : public QObject {
    Q_OBJECT
private slots:
    void exportAndImportThroughTheMainWindow() {
        IssueRig rig;
        QVERIFY2(rig.start(12), qPrintable(rig.problem()));
        database::gDbConn.close(); // the login opens it
        shell::Login login;
        login.show();
        control<QLineEdit>(&login, "txtID")->setText(QStringLiteral("demo"));
        control<QLineEdit>(&login, "txtDBNm")->setText(QStringLiteral("items.db"));
        control<QLineEdit>(&login, "txtDBID")->setText(QStringLiteral("demo"));
        control<QLineEdit>(&login, "txtDBPW")->setText(QStringLiteral("demo"));
        login.cmdOK_Click();
        shell::RPMain* main = login.mainWindow();
        QVERIFY(main);
        main->Form_Activate();
        auto* save = control<QPushButton>(main, "cmdSaveExcel");
        auto* load = control<QPushButton>(main, "cmdLoad");
        QVERIFY(save->isEnabled() && load->isEnabled());

        // Nothing to save yet: the message, no dialog.
        rig.op.messages.clear();
        QTest::mouseClick(save, Qt::LeftButton);
        QCOMPARE(rig.op.messages, QStringList{QStringLiteral("엑셀파일로 저장할 데이타가 없습니다.")});

        control<QRadioButton>(main, "OptSearch_2")->setChecked(true);
        QTest::mouseClick(load, Qt::LeftButton);
        const QString found = control<QLabel>(main, "LblPrtCnt")->text();
        QCOMPARE(found, QStringLiteral("12"));

        const QString file = rig.dir.file(QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) +
                                          QStringLiteral("태그발행결과.xls"));
        rig.op.messages.clear();
        {
            DialogAnswer answer(file);
            QTest::mouseClick(save, Qt::LeftButton);
            QVERIFY(answer.seen);
            QCOMPARE(answer.title, QStringLiteral("태그발행결과 저장"));
            QCOMPARE(answer.filters, QStringList{QStringLiteral("엑셀파일 (*.xls)")});
            QCOMPARE(answer.proposed, file);
        }
        QCOMPARE(rig.op.messages, QStringList{QStringLiteral("엑셀저장에 성공하였습니다.")});
        const auto sheet = testsupport::readWithXlrd(file);
        QVERIFY2(sheet.ok, qPrintable(sheet.error));
        QCOMPARE(sheet.nrows, 13);

        // Import the file again with the spreadsheet source.
        control<QRadioButton>(main, "OptPos_1")->setChecked(true);
        control<QRadioButton>(main, "OptPrt_2")->setChecked(true);
        rig.op.messages.clear();
        {
            DialogAnswer answer(file);
            QTest::mouseClick(load, Qt::LeftButton);
            QVERIFY(answer.seen);
            QCOMPARE(answer.title, QStringLiteral("엑셀파일 불러오기"));
            QCOMPARE(answer.filters,
                     (QStringList{QStringLiteral("엑셀파일 (*.xls)"), QStringLiteral("CSV파일 (*.csv)")}));
            QCOMPARE(answer.folder, QDir(rig.dir.path()).absolutePath());
        }
        QCOMPARE(rig.op.messages, QStringList{QStringLiteral("12건의 자료가 검색 되었습니다.")});
        QCOMPARE(control<QLabel>(main, "LblPrtCnt")->text(), QStringLiteral("12"));
        QCOMPARE(control<QLineEdit>(main, "txtStart")->text(), QStringLiteral("1"));
        QCOMPARE(control<QLineEdit>(main, "txtEnd")->text(), QStringLiteral("12"));
        QVERIFY(control<QRadioButton>(main, "OptPrt_0")->isChecked());
        QCOMPARE(control<QProgressBar>(main, "ProgressBar1")->value(), 100);

        // Cancelling either dialog is no failure: nothing reported, the grid stays.
        rig.op.messages.clear();
        {
            DialogAnswer answer{QString()};
            QTest::mouseClick(load, Qt::LeftButton);
            QVERIFY(answer.seen);
        }
        {
            DialogAnswer answer{QString()};
            QTest::mouseClick(save, Qt::LeftButton);
            QVERIFY(answer.seen);
        }
        QCOMPARE(rig.op.messages, QStringList());
        QCOMPARE(control<QLabel>(main, "LblPrtCnt")->text(), QStringLiteral("12"));
        delete main;
    }
};

QTEST_MAIN(SpreadsheetWindowTest)
#include "SpreadsheetWindowTest.moc"
