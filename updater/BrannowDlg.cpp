#include "updater/BrannowDlg.h"

#include "ui_BrannowDlg.h"

#include <QApplication>
#include <QFileInfo>
#include <QHash>
#include <QKeyEvent>
#include <QPixmap>
#include <QProgressBar>

namespace updater {

namespace {

const QString kTextFace = QStringLiteral("굴림체");

QFont textFont(int pixelHeight, int weight) {
    QFont f(kTextFace);
    f.setPixelSize(pixelHeight);
    f.setWeight(static_cast<QFont::Weight>(weight));
    return f;
}

} // namespace

void installUpdaterFonts() {
    QFont::insertSubstitutions(QStringLiteral("굴림"),
                               {QStringLiteral("Gulim"), QStringLiteral("NanumGothic")});
    QFont::insertSubstitutions(kTextFace, {QStringLiteral("GulimChe"), QStringLiteral("NanumGothicCoding"),
                                           QStringLiteral("NanumGothic")});
}

int virtualKeyOf(int key, Qt::KeyboardModifiers modifiers) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return 0x41 + (key - Qt::Key_A);
    const bool keypad = modifiers & Qt::KeypadModifier;
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return (keypad ? 0x60 : 0x30) + (key - Qt::Key_0);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return 0x70 + (key - Qt::Key_F1);
    // The keys whose code the numeric keypad changes: {key, on the keypad, elsewhere}.
    static const int kKeypadCodes[][3] = {{Qt::Key_Plus, 0x6B, 0xBB},
                                          {Qt::Key_Minus, 0x6D, 0xBD},
                                          {Qt::Key_Period, 0x6E, 0xBE},
                                          {Qt::Key_Slash, 0x6F, 0xBF}};
    for (const auto& k : kKeypadCodes)
        if (k[0] == key)
            return keypad ? k[1] : k[2];
    static const QHash<int, int> kCodes = {
        {Qt::Key_Backspace, 0x08},  {Qt::Key_Tab, 0x09},          {Qt::Key_Backtab, 0x09},
        {Qt::Key_Clear, 0x0C},      {Qt::Key_Return, kVkReturn},  {Qt::Key_Enter, kVkReturn},
        {Qt::Key_Shift, kVkShift},  {Qt::Key_Control, 0x11},      {Qt::Key_Alt, 0x12},
        {Qt::Key_Pause, 0x13},      {Qt::Key_CapsLock, 0x14},     {Qt::Key_Escape, kVkEscape},
        {Qt::Key_Space, 0x20},      {Qt::Key_PageUp, 0x21},       {Qt::Key_PageDown, 0x22},
        {Qt::Key_End, 0x23},        {Qt::Key_Home, 0x24},         {Qt::Key_Left, 0x25},
        {Qt::Key_Up, 0x26},         {Qt::Key_Right, 0x27},        {Qt::Key_Down, 0x28},
        {Qt::Key_Print, 0x2C},      {Qt::Key_Insert, 0x2D},       {Qt::Key_Delete, 0x2E},
        {Qt::Key_Menu, 0x5D},       {Qt::Key_Asterisk, 0x6A},     {Qt::Key_NumLock, 0x90},
        {Qt::Key_ScrollLock, 0x91}, {Qt::Key_Semicolon, 0xBA},    {Qt::Key_Equal, 0xBB},
        {Qt::Key_Comma, 0xBC},      {Qt::Key_QuoteLeft, 0xC0},    {Qt::Key_BracketLeft, 0xDB},
        {Qt::Key_Backslash, 0xDC},  {Qt::Key_BracketRight, 0xDD}, {Qt::Key_Apostrophe, 0xDE}};
    return kCodes.value(key, 0);
}

BrannowDlg::BrannowDlg(const QString& baseDir, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::BrannowDlg>()), m_baseDir(baseDir) {
    ui->setupUi(this);
    // No system menu and no close box: the window closes only by the run or
    // by the OK button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    m_run = std::make_unique<UpdateRun>(*this, baseDir);
    OnInitDialog();
    // Keys reach the window's controls first; the filter sees them before.
    qApp->installEventFilter(this);
}

BrannowDlg::~BrannowDlg() {
    qApp->removeEventFilter(this);
    if (m_worker.joinable())
        m_worker.join();
}

void BrannowDlg::OnInitDialog() {
    QFont dlgFont(QStringLiteral("굴림"));
    dlgFont.setPointSize(9);
    setFont(dlgFont);

    const QPixmap logo(m_baseDir + QStringLiteral("/logo.bmp"));
    if (!logo.isNull()) {
        ui->picLogo->setPixmap(logo);
        ui->picLogo->resize(logo.size());
    }

    const QFont text = textFont(12, 600);
    ui->lblStep1->setText(QStringLiteral("FTP Server 정보 취득중입니다."));
    ui->lblStep2->setText(QStringLiteral("UPDATE 파일 다운로드 중입니다."));
    ui->lblStep3->setText(QStringLiteral("UPDATE 파일 복사중입니다."));
    ui->lblStep4->setText(QStringLiteral("프로그램 실행중입니다."));
    ui->lblWait->setText(QStringLiteral("진행중입니다. 잠시만 기다려 주십시오."));
    ui->lblMessage->clear();
    for (QLabel* l : {ui->lblStep1, ui->lblStep2, ui->lblStep3, ui->lblStep4, ui->lblWait, ui->lblMessage}) {
        l->setFont(text);
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, l == ui->lblMessage ? QColor(178, 34, 34) : QColor(Qt::black));
        l->setPalette(p);
    }

    // The OK button is drawn from its two pictures, the second one while the
    // pointer is over it; without the pictures it shows its word.
    ui->btnOk->setFont(textFont(14, 700));
    const QString ok = m_baseDir + QStringLiteral("/ok.bmp");
    const QString okOver = m_baseDir + QStringLiteral("/ok_o.bmp");
    if (QFileInfo::exists(ok)) {
        const QString overUrl = QFileInfo::exists(okOver) ? okOver : ok;
        ui->btnOk->setStyleSheet(
            QStringLiteral("QPushButton#btnOk { border-image: url(%1); border: none; }"
                           " QPushButton#btnOk:hover { border-image: url(%2); }")
                .arg(QFileInfo(ok).absoluteFilePath(), QFileInfo(overUrl).absoluteFilePath()));
        ui->btnOk->setText(QString());
    } else {
        ui->btnOk->setText(QStringLiteral("확인"));
    }
    ui->btnOk->hide();
    connect(ui->btnOk, &QPushButton::clicked, this, &BrannowDlg::onOk);

    for (QProgressBar* bar : findChildren<QProgressBar*>()) {
        bar->setRange(0, 100);
        bar->setValue(0);
    }

    for (int step = 0; step < 4; ++step) {
        m_stepTimers[step].setSingleShot(true);
        connect(&m_stepTimers[step], &QTimer::timeout, this, [this, step] { onStepTimer(step); });
    }
    m_startTimer.setSingleShot(true);
    m_startTimer.setInterval(1000);
    connect(&m_startTimer, &QTimer::timeout, this, &BrannowDlg::startUpdateThread);
}

void BrannowDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_started) {
        m_started = true;
        m_startTimer.start();
    }
}

void BrannowDlg::startUpdateThread() {
    m_worker = std::thread([this] { m_run->UpdateThread(); });
}

void BrannowDlg::onStepTimer(int step) {
    const StepTick tick = StepBarTick(m_run->state(), step);
    if (auto* bar = findChild<QProgressBar*>(QStringLiteral("progStep%1").arg(step + 1)))
        bar->setValue(tick.pos);
    if (tick.again)
        m_stepTimers[step].start(500);
}

void BrannowDlg::onOk() {
    m_run->OnOkButton();
}

void BrannowDlg::setBarPos(int barId, int pos) {
    QMetaObject::invokeMethod(
        this,
        [this, barId, pos] {
            const std::pair<int, QProgressBar*> bars[] = {{kBarServerInfo, ui->progStep1},
                                                          {kBarDownload, ui->progStep2},
                                                          {kBarCopy, ui->progStep3},
                                                          {kBarLaunch, ui->progStep4},
                                                          {kBarTotal, ui->progTotal}};
            QProgressBar* bar = nullptr;
            for (const auto& [id, b] : bars)
                if (id == barId)
                    bar = b;
            if (bar)
                bar->setValue(pos);
        },
        Qt::QueuedConnection);
}

void BrannowDlg::armStepTimer(int step, int ms) {
    QMetaObject::invokeMethod(
        this, [this, step, ms] { m_stepTimers[step].start(ms); }, Qt::QueuedConnection);
}

void BrannowDlg::ShowMessage(const QString& text) {
    QMetaObject::invokeMethod(
        this,
        [this, text] {
            ui->lblWait->hide();
            ui->btnOk->show();
            ui->lblMessage->setText(text);
        },
        Qt::QueuedConnection);
}

void BrannowDlg::repaintWindow() {
    QMetaObject::invokeMethod(
        this, [this] { repaint(); }, Qt::QueuedConnection);
}

void BrannowDlg::closeWindow() {
    QMetaObject::invokeMethod(
        this, [this] { done(QDialog::Accepted); }, Qt::QueuedConnection);
}

void BrannowDlg::reject() {
    // Escape (and the window manager's close request) do not end the run.
}

bool BrannowDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return QDialog::eventFilter(watched, event);
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || w->window() != this)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const int vk = virtualKeyOf(key->key(), key->modifiers());
    if (event->type() == QEvent::ShortcutOverride) {
        // Only the key press itself is looked at; Escape and Enter are kept
        // from every shortcut.
        return vk == kVkEscape || vk == kVkReturn;
    }
    // A key press the focus widget does not take travels on to its parents
    // and passes the filter again: only its first receiver counts.
    QWidget* first = QApplication::focusWidget();
    if (watched != (first ? first : static_cast<QWidget*>(this)))
        return vk == kVkEscape || vk == kVkReturn;
    if (m_keys.keyDown(vk))
        return true;
    return false;
}

} // namespace updater
