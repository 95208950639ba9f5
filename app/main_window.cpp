#include "app/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "app/align_panel.h"
#include "app/error_report.h"
#include "app/masked_edit.h"
#include "app/memo_view.h"
#include "base/cp1250.h"
#include "base/errors.h"
#include "base/file_locations.h"
#include "base/profile_file.h"
#include "logger/command_exchange.h"
#include "serial/serial_port.h"

namespace {

constexpr const char* DateTimeMask = "!0000-00-00 00:00:00;1;_";
constexpr const char* IntervalMask = "!00:00:00;1;_";
constexpr const char* VersionText = "Wersja: lorv301\nLorv304D team, 2026\nKontakt: kontakt@example.com";

// Background of the text panels: the desktop's inactive-border colour.
const QColor PanelBackground(244, 247, 252);

// Layout of the groups, in pixels at 120 pixels per inch.
constexpr int ColumnWidth = 450;
constexpr int DividerWidth = 5;
constexpr int StatusGroupHeight = 161;
constexpr int SettingsGroupHeight = 160;
constexpr int ReadGroupHeight = 136;
constexpr int StatusLineHeight = 19;
constexpr int LabelX = 18, FieldX = 80, FieldWidth = 180, ButtonX = 275, ButtonWidth = 160, RowHeight = 30;
constexpr int RowStep = 40;
constexpr int StatusFirstRow = 25, OtherFirstRow = 35;

}  // namespace

TForm1::TForm1(TEnvironment environment, QWidget* parent)
    : QMainWindow(parent),
      serialPort_(std::make_unique<TSerialPort>()),
      Session(*serialPort_, *this),
      dialogs_(environment.Dialogs ? std::move(environment.Dialogs) : std::make_shared<TQtDialogs>()),
      executablePath_(environment.ExecutablePath.empty() ? QCoreApplication::applicationFilePath().toStdString()
                                                         : std::move(environment.ExecutablePath)) {
    const QScreen* s = screen();
    scale_ = (s ? s->logicalDotsPerInch() : 96.0) / 120.0;
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromLatin1(AppTitle));
    BuildControls();
    BuildMenus();
    ConnectHandlers();
    resize(Scaled(1285), Scaled(762));
    Guarded([this] { FormCreate(); });
}

TForm1::~TForm1() { FormDestroy(); }

int TForm1::Scaled(int pixelsAt120Ppi) const { return qRound(pixelsAt120Ppi * scale_); }

// ---------------------------------------------------------------------------------------------
// Controls

QLabel* TForm1::AddLabel(QWidget* group, const QString& caption, int row0, int row, QWidget* buddy) {
    auto* label = new QLabel(caption, group);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Sized to its caption, as a caption longer than the gap may reach up to the field.
    label->adjustSize();
    label->setGeometry(Scaled(LabelX), Scaled(row0 + row * RowStep), label->width(), Scaled(RowHeight));
    label->setBuddy(buddy);
    QString name = caption;
    if (name.endsWith(QLatin1Char(':'))) name.chop(1);
    buddy->setAccessibleName(name);
    return label;
}

void TForm1::PlaceField(QWidget* field, int row0, int row) {
    field->setGeometry(Scaled(FieldX), Scaled(row0 + row * RowStep), Scaled(FieldWidth), Scaled(RowHeight));
}

void TForm1::PlaceButton(QWidget* button, int row0, int row) {
    button->setGeometry(Scaled(ButtonX), Scaled(row0 + row * RowStep), Scaled(ButtonWidth), Scaled(RowHeight));
}

void TForm1::BuildControls() {
    const TControlLook look = SetWindowLook();
    BuildPanels();
    BuildStatusGroup(look);
    BuildSettingsGroup(look);
    BuildReadGroup(look);
    BuildTextPanels(look);
    SetTabOrder();

    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(1000);

    SaveDialog1 = {QString(), QStringLiteral("log"), QStringLiteral("*.log")};
    OpenDialog1 = {QStringLiteral("*.log"), QStringLiteral("log"), QStringLiteral("*.log")};
    ExportDialog1 = {QString(), QStringLiteral("csv"), QStringLiteral("*.csv")};
    ReportDialog1 = {QStringLiteral("*.pdf"), QStringLiteral("pdf"), QStringLiteral("*.pdf")};
}

TForm1::TControlLook TForm1::SetWindowLook() {
    // The window's font: 15 pixels at 120 pixels per inch, black, on the button-face background.
    QFont windowFont;
    // Where that face is missing, a sans-serif of about its width stands in before the system's own.
    windowFont.setFamilies({QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Arimo"),
                            QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                            QFontDatabase::systemFont(QFontDatabase::GeneralFont).family(),
                            QStringLiteral("sans-serif")});
    windowFont.setPixelSize(Scaled(15));
    setFont(windowFont);
    QPalette windowPalette = palette();
    windowPalette.setColor(QPalette::WindowText, Qt::black);
    windowPalette.setColor(QPalette::ButtonText, Qt::black);
    windowPalette.setColor(QPalette::Window, windowPalette.color(QPalette::Button));
    setPalette(windowPalette);

    TControlLook look;
    // Labels and group captions are grey; the fields keep black text.
    look.Group = palette();
    look.Group.setColor(QPalette::WindowText, Qt::gray);
    look.Value.setFamilies({QStringLiteral("Cousine"), QStringLiteral("monospace")});
    look.Value.setPixelSize(Scaled(15));
    look.Field = palette();
    look.Field.setColor(QPalette::Text, Qt::black);
    return look;
}

void TForm1::StyleField(QLineEdit* field, const TControlLook& look) {
    field->setFont(look.Value);
    field->setPalette(look.Field);
    field->setStyleSheet(QStringLiteral("QLineEdit { border: 1px solid #7a7a7a; padding: 0px; }"));
}

// The right-hand column, the divider and the chart's pane in the space left of them.
void TForm1::BuildPanels() {
    Panel1 = new TAlignPanel(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setCentralWidget(Panel1);

    Panel2 = new TAlignPanel(Panel1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel1->AddAligned(Panel2, TAlignPanel::TAlign::Right, Scaled(ColumnWidth));

    auto* divider = new QFrame;
    divider->setObjectName(QStringLiteral("Panel6"));
    divider->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel6 = divider;
    Panel1->AddAligned(Panel6, TAlignPanel::TAlign::Right, Scaled(DividerWidth));

    ChartPane = new QWidget;
    ChartPane->setObjectName(QStringLiteral("ChartPane"));
    auto* chartLayout = new QVBoxLayout(ChartPane);
    chartLayout->setContentsMargins(0, 0, 0, 0);
    Chart = new TLoggerChart;  // menu items and context menu are attached in SetupChart
    Chart->setAccessibleName(QStringLiteral("Wykres"));
    chartLayout->addWidget(Chart);
    Panel1->AddAligned(ChartPane, TAlignPanel::TAlign::Client);
}

// Logger status: model, battery, clock, and "Połącz".
void TForm1::BuildStatusGroup(const TControlLook& look) {
    GroupBox2 = new QGroupBox(Panel2);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setPalette(look.Group);
    eDev = new QLineEdit(GroupBox2);
    eDev->setObjectName(QStringLiteral("eDev"));
    eVBat = new QLineEdit(QStringLiteral("---"), GroupBox2);
    eVBat->setObjectName(QStringLiteral("eVBat"));
    meDT = new TMaskEdit(QString::fromLatin1(DateTimeMask), GroupBox2);
    meDT->setObjectName(QStringLiteral("meDT"));
    meDT->setToolTip(QStringLiteral("czas rejestratora: yyyy-mm-dd hh:nn:ss"));
    int row = 0;
    for (QLineEdit* field : {eDev, eVBat, static_cast<QLineEdit*>(meDT)}) {
        StyleField(field, look);
        field->setReadOnly(true);
        field->setEnabled(false);
        PlaceField(field, StatusFirstRow, row++);
    }
    Label1 = AddLabel(GroupBox2, QStringLiteral("Typ:"), StatusFirstRow, 0, eDev);
    Label2 = AddLabel(GroupBox2, QStringLiteral("VBat:"), StatusFirstRow, 1, eVBat);
    Label3 = AddLabel(GroupBox2, QStringLiteral("Czas:"), StatusFirstRow, 2, meDT);
    btConnect = new QPushButton(QStringLiteral("Połącz"), GroupBox2);
    btConnect->setObjectName(QStringLiteral("btConnect"));
    PlaceButton(btConnect, StatusFirstRow, 0);
    Button1 = new QPushButton(QStringLiteral("Button1"), GroupBox2);
    Button1->setObjectName(QStringLiteral("Button1"));
    PlaceButton(Button1, StatusFirstRow, 1);
    Button1->hide();
    Panel2->AddAligned(GroupBox2, TAlignPanel::TAlign::Top, Scaled(StatusGroupHeight));
}

// Recording settings: interval, start, stop, and their buttons.
void TForm1::BuildSettingsGroup(const TControlLook& look) {
    GroupBox1 = new QGroupBox(QStringLiteral(" Ustawienia "), Panel2);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setPalette(look.Group);
    mePeriod = new TMaskEdit(QString::fromLatin1(IntervalMask), GroupBox1);
    mePeriod->setObjectName(QStringLiteral("mePeriod"));
    meStart = new TMaskEdit(QString::fromLatin1(DateTimeMask), GroupBox1);
    meStart->setObjectName(QStringLiteral("meStart"));
    meStop = new TMaskEdit(QString::fromLatin1(DateTimeMask), GroupBox1);
    meStop->setObjectName(QStringLiteral("meStop"));
    int row = 0;
    for (TMaskEdit* field : {mePeriod, meStart, meStop}) {
        StyleField(field, look);
        PlaceField(field, OtherFirstRow, row++);
    }
    Label4 = AddLabel(GroupBox1, QStringLiteral("Interwal:"), OtherFirstRow, 0, mePeriod);
    Label5 = AddLabel(GroupBox1, QStringLiteral("Start:"), OtherFirstRow, 1, meStart);
    Label6 = AddLabel(GroupBox1, QStringLiteral("Stop:"), OtherFirstRow, 2, meStop);
    btReadCfg = new QPushButton(QStringLiteral("Odczyt ustawień"), GroupBox1);
    btReadCfg->setObjectName(QStringLiteral("btReadCfg"));
    PlaceButton(btReadCfg, OtherFirstRow, 0);
    btNew = new QPushButton(QStringLiteral("Kasowanie Danych"), GroupBox1);
    btNew->setObjectName(QStringLiteral("btNew"));
    PlaceButton(btNew, OtherFirstRow, 1);
    btWriteCfg = new QPushButton(QStringLiteral("Start rejestracji"), GroupBox1);
    btWriteCfg->setObjectName(QStringLiteral("btWriteCfg"));
    PlaceButton(btWriteCfg, OtherFirstRow, 2);
    Panel2->AddAligned(GroupBox1, TAlignPanel::TAlign::Top, Scaled(SettingsGroupHeight));
}

// Read range: from, to, "Odczyt", and the hidden index fields.
void TForm1::BuildReadGroup(const TControlLook& look) {
    boxRead = new QGroupBox(QStringLiteral(" Zakres odczytu  "), Panel2);
    boxRead->setObjectName(QStringLiteral("boxRead"));
    boxRead->setPalette(look.Group);
    meRdStart = new TMaskEdit(QString::fromLatin1(DateTimeMask), boxRead);
    meRdStart->setObjectName(QStringLiteral("meRdStart"));
    meRdStop = new TMaskEdit(QString::fromLatin1(DateTimeMask), boxRead);
    meRdStop->setObjectName(QStringLiteral("meRdStop"));
    int row = 0;
    for (TMaskEdit* field : {meRdStart, meRdStop}) {
        StyleField(field, look);
        PlaceField(field, OtherFirstRow, row++);
    }
    Label7 = AddLabel(boxRead, QStringLiteral("Od:"), OtherFirstRow, 0, meRdStart);
    Label8 = AddLabel(boxRead, QStringLiteral("Do:"), OtherFirstRow, 1, meRdStop);
    sbRead = new QPushButton(QStringLiteral("Odczyt"), boxRead);
    sbRead->setObjectName(QStringLiteral("sbRead"));
    sbRead->setCheckable(true);
    PlaceButton(sbRead, OtherFirstRow, 0);
    Edit1 = new QLineEdit(QStringLiteral("0"), boxRead);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setAccessibleName(QStringLiteral("Edit1"));
    Edit2 = new QLineEdit(QStringLiteral("0"), boxRead);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setAccessibleName(QStringLiteral("Edit2"));
    PlaceField(Edit1, OtherFirstRow, 2);
    PlaceField(Edit2, OtherFirstRow, 2);
    Edit1->hide();
    Edit2->hide();
    Panel2->AddAligned(boxRead, TAlignPanel::TAlign::Top, Scaled(ReadGroupHeight));
}

// Status line along the bottom of the column, then the text panels in the space left.
void TForm1::BuildTextPanels(const TControlLook& look) {
    stBar = new QLabel;
    stBar->setObjectName(QStringLiteral("stBar"));
    stBar->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    stBar->setAccessibleName(QStringLiteral("Status"));
    Panel2->AddAligned(stBar, TAlignPanel::TAlign::Bottom, Scaled(StatusLineHeight));

    PageControl1 = new QTabWidget;
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setDocumentMode(true);  // tabs drawn as flat buttons
    PageControl1->setFont(look.Value);
    PageControl1->setAccessibleName(QStringLiteral("Panele"));
    PageControl1->tabBar()->setAccessibleName(QStringLiteral("Panele"));
    QPalette memoPalette = palette();
    memoPalette.setColor(QPalette::Base, PanelBackground);
    memoPalette.setColor(QPalette::Text, Qt::black);
    auto makeSheet = [&](const QString& caption, TMemoView*& memo, const char* name) {
        auto* sheet = new QWidget;
        auto* layout = new QVBoxLayout(sheet);
        layout->setContentsMargins(0, 0, 0, 0);
        memo = new TMemoView(sheet);
        memo->setObjectName(QString::fromLatin1(name));
        memo->setAccessibleName(caption);
        memo->setFont(look.Value);
        memo->setPalette(memoPalette);
        memo->setFrameStyle(QFrame::Box | QFrame::Plain);
        memo->setLineWidth(1);
        memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        memo->setFocusPolicy(Qt::StrongFocus);
        memo->setContextMenuPolicy(Qt::CustomContextMenu);
        layout->addWidget(memo);
        PageControl1->addTab(sheet, caption);
        return sheet;
    };
    TabSheet1 = makeSheet(QStringLiteral("Komunikacja"), Memo1, "Memo1");
    TabSheet2 = makeSheet(QStringLiteral("Dane"), Memo2, "Memo2");
    Memo1->SetWordWrap(false);
    Memo2->SetWordWrap(true);
    PageControl1->setCurrentIndex(0);
    Panel2->AddAligned(PageControl1, TAlignPanel::TAlign::Client);
}

void TForm1::SetTabOrder() {
    setTabOrder(btConnect, mePeriod);
    setTabOrder(mePeriod, meStart);
    setTabOrder(meStart, meStop);
    setTabOrder(meStop, btReadCfg);
    setTabOrder(btReadCfg, btNew);
    setTabOrder(btNew, btWriteCfg);
    setTabOrder(btWriteCfg, meRdStart);
    setTabOrder(meRdStart, meRdStop);
    setTabOrder(meRdStop, sbRead);
    setTabOrder(sbRead, PageControl1);
    setTabOrder(PageControl1, Memo1);
    setTabOrder(Memo1, Memo2);
}

void TForm1::BuildMenus() {
    mnData = menuBar()->addMenu(QStringLiteral("&Dane"));
    Zapiszjako1 = mnData->addAction(QStringLiteral("Zapi&sz jako"));
    Wczytajzpliku1 = mnData->addAction(QStringLiteral("&Czytaj z pliku"));
    EksportCSV1 = mnData->addAction(QStringLiteral("&Eksport CSV…"));
    Archiwum1 = mnData->addAction(QStringLiteral("&Archiwum…"));
    Archiwum1->setObjectName(QStringLiteral("Archiwum1"));
    RaportPDF1 = mnData->addAction(QStringLiteral("&Raport PDF…"));
    RaportPDF1->setObjectName(QStringLiteral("RaportPDF1"));
    mnData->addSeparator();
    Podgld1 = mnData->addAction(QStringLiteral("Podgląd"));
    Podgld1->setCheckable(true);
    Podgld1->setChecked(true);

    mnChart = menuBar()->addMenu(QStringLiteral("Wykres"));
    mnDots = mnChart->addAction(QStringLiteral("Punkty"));
    mnDots->setCheckable(true);
    mnDots->setChecked(false);
    mnChart->addSeparator();
    mnTemp = mnChart->addAction(QStringLiteral("Temperatura_1"));
    mnTemp->setCheckable(true);
    mnTemp->setChecked(true);
    mnHum = mnChart->addAction(QStringLiteral("Temperatura_2"));
    mnHum->setCheckable(true);
    mnHum->setChecked(true);
    mnChart->addSeparator();
    Druku1 = mnChart->addAction(QStringLiteral("Drukuj"));
    Statystyka1 = mnChart->addAction(QStringLiteral("Statystyka…"));
    Limity1 = mnChart->addAction(QStringLiteral("Limity"));
    Limity1->setCheckable(true);

    mnInfo = menuBar()->addMenu(QStringLiteral("&Informacje"));
    Wersjaprogramu1 = mnInfo->addAction(QStringLiteral("&Wersja programu"));

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    Zapisz1 = PopupMenu1->addAction(QStringLiteral("Zapisz"));
    Kasuj1 = PopupMenu1->addAction(QStringLiteral("Kasuj"));

    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    Zapisz2 = PopupMenu2->addAction(QStringLiteral("Zapisz"));
    PopupMenu2->addSeparator();
    Wyczy1 = PopupMenu2->addAction(QStringLiteral("Kasuj"));

    const std::pair<QAction*, const char*> names[] = {
        {Zapiszjako1, "Zapiszjako1"}, {Wczytajzpliku1, "Wczytajzpliku1"},
        {EksportCSV1, "EksportCSV1"}, {Statystyka1, "Statystyka1"},
        {Podgld1, "Podgld1"},         {mnDots, "mnDots"},
        {mnTemp, "mnTemp"},           {mnHum, "mnHum"},
        {Druku1, "Druku1"},           {Wersjaprogramu1, "Wersjaprogramu1"},
        {Zapisz1, "Zapisz1"},         {Kasuj1, "Kasuj1"},
        {Zapisz2, "Zapisz2"},         {Wyczy1, "Wyczy1"},
        {Limity1, "Limity1"}};
    for (const auto& [action, name] : names) action->setObjectName(QString::fromLatin1(name));
}

template <class Sender, class Signal>
void TForm1::OnSignal(Sender* sender, Signal signal, void (TForm1::*handler)()) {
    connect(sender, signal, this, [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
}

void TForm1::ConnectHandlers() {
    OnSignal(btConnect, &QPushButton::clicked, &TForm1::btConnectClick);
    OnSignal(Button1, &QPushButton::clicked, &TForm1::Button1Click);
    OnSignal(btReadCfg, &QPushButton::clicked, &TForm1::btReadCfgClick);
    OnSignal(btNew, &QPushButton::clicked, &TForm1::btNewClick);
    OnSignal(btWriteCfg, &QPushButton::clicked, &TForm1::btWriteCfgClick);
    OnSignal(sbRead, &QPushButton::clicked, &TForm1::sbReadClick);
    OnSignal(mePeriod, &TMaskEdit::Exited, &TForm1::mePeriodExit);
    OnSignal(Timer2, &QTimer::timeout, &TForm1::Timer2Timer);

    OnSignal(Zapiszjako1, &QAction::triggered, &TForm1::Zapiszjako1Click);
    OnSignal(Wczytajzpliku1, &QAction::triggered, &TForm1::Wczytajzpliku1Click);
    OnSignal(EksportCSV1, &QAction::triggered, &TForm1::EksportCSV1Click);
    OnSignal(Archiwum1, &QAction::triggered, &TForm1::Archiwum1Click);
    OnSignal(RaportPDF1, &QAction::triggered, &TForm1::RaportPDF1Click);
    OnSignal(Statystyka1, &QAction::triggered, &TForm1::Statystyka1Click);
    OnSignal(Limity1, &QAction::triggered, &TForm1::Limity1Click);
    OnSignal(Podgld1, &QAction::triggered, &TForm1::Podgld1Click);
    OnSignal(mnDots, &QAction::triggered, &TForm1::mnDotsClick);
    OnSignal(mnTemp, &QAction::triggered, &TForm1::mnTempClick);
    OnSignal(mnHum, &QAction::triggered, &TForm1::mnHumClick);
    OnSignal(Druku1, &QAction::triggered, &TForm1::Drukuj1Click);
    OnSignal(Wersjaprogramu1, &QAction::triggered, &TForm1::Wersjaprogramu1Click);
    OnSignal(Zapisz1, &QAction::triggered, &TForm1::Zapisz1Click);
    OnSignal(Kasuj1, &QAction::triggered, &TForm1::Kasuj1Click);
    OnSignal(Zapisz2, &QAction::triggered, &TForm1::Zapisz2Click);
    OnSignal(Wyczy1, &QAction::triggered, &TForm1::Wyczy1Click);

    connect(Memo1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenu1->popup(Memo1->viewport()->mapToGlobal(pos)); });
    connect(Memo2, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenu2->popup(Memo2->viewport()->mapToGlobal(pos)); });
    SetupChart();  // the chart opens PopupMenu2 itself on a right-button release

    // A masked field left with a missing digit beeps and reports it like any other refused input.
    for (TMaskEdit* field : {meDT, mePeriod, meStart, meStop, meRdStart, meRdStop}) {
        field->SetInvalidInputHandler([this](const QString& message) {
            dialogs_->Beep();
            ShowErrorReport(message.toStdString());
        });
    }
}

// ---------------------------------------------------------------------------------------------
// Life of the window

void TForm1::FormCreate() {
    LoggerFormat = ::LoggerFormat{};
    // The port object was made with the window (the session holds it); no port is open yet.
    PortList.clear();
    settingsFile_ = SettingsLocationFor(executablePath_, TUserFolders::FromProcess());

    const TProfileFile settings(settingsFile_);
    // Applied as read: a placement off every screen is the user's to fix, as it was saved.
    const int top = settings.ReadInteger("Form", "Top", 100);
    const int left = settings.ReadInteger("Form", "Left", 100);
    const int formHeight = settings.ReadInteger("Form", "Height", 340);
    const int formWidth = settings.ReadInteger("Form", "Width", 800);
    move(left, top);
    resize(formWidth, formHeight);
    (void)settings.ReadInteger(ChartSection, "ZakresY", 20);  // kept in the file, not used
    Limity1->setChecked(settings.ReadInteger(ChartSection, LimitsKey, 0) != 0);
    const std::string interval = settings.ReadString("Rejestracja", "Interwal", "00:01:00");
    try {
        RecInterval = LoggerFormat.TextToDateTime(interval);
    } catch (const EConvertError&) {
        RecInterval = 0;
        ShowMessage(QStringLiteral("Niepoprawny format w pliku ini"));
    }

    SetupMemos();

    // The value fields name "Cousine"; once the file is registered their fonts resolve to it
    // (without it the system's Cousine, else its monospaced font).
    if (const std::string font = ValueFontFileFor(executablePath_); !font.empty())
        fontId_ = QFontDatabase::addApplicationFont(QString::fromStdString(font));
    for (QWidget* field : std::initializer_list<QWidget*>{eDev, eVBat, meDT, mePeriod, meStart, meStop, meRdStart,
                                                          meRdStop, PageControl1, Memo1, Memo2}) {
        const QFont f = field->font();
        field->setFont(QFont());
        field->setFont(f);
    }

    Chart->hide();
}

void TForm1::SetupMemos() {
    for (TMemoView* memo : {Memo1, Memo2}) {
        memo->SetTextMargins(8, 5, 8, 2);
        memo->Clear();
        memo->update();
        memo->SetTabStopDialogUnits(15);
    }
}

void TForm1::FormClose() {
    if (closed_) return;
    closed_ = true;
    // A download running inside an event pump sees this at its next check and ends.
    sbRead->setChecked(false);
    // An unwritable settings file must not keep the program from closing: the error is reported
    // and the rest of the shutdown runs.
    Guarded([this] {
        MakeParentFolders(settingsFile_);  // the user's configuration folder on the first close
        TProfileFile settings(settingsFile_);
        settings.WriteInteger("Form", "Top", y());
        settings.WriteInteger("Form", "Left", x());
        settings.WriteInteger("Form", "Height", height());
        settings.WriteInteger("Form", "Width", width());
    });
    Guarded([this] { PostCommand("d!"); });
    // The port object itself stays until the window is destroyed: a download suspended in an
    // event pump still holds it. Closing it here releases the device.
    serialPort_->ClosePort();
    PortList.clear();
}

void TForm1::FormDestroy() {
    if (fontId_ >= 0) QFontDatabase::removeApplicationFont(fontId_);
    fontId_ = -1;
}

void TForm1::closeEvent(QCloseEvent* event) {
    Guarded([this] { FormClose(); });
    QMainWindow::closeEvent(event);
}

void TForm1::Wersjaprogramu1Click() { ShowMessage(QString::fromUtf8(VersionText)); }

// ---------------------------------------------------------------------------------------------
// Reports and messages

void TForm1::ShowErrorReport(const std::string& what) {
    dialogs_->ShowMessage(this, QString::fromLatin1(AppTitle), QString::fromStdString(ErrorReportText(what)),
                          TMessageIcon::Error);
}

void TForm1::ShowMessage(const QString& text) {
    dialogs_->ShowMessage(this, QString::fromLatin1(AppTitle), text, TMessageIcon::None);
}

// ---------------------------------------------------------------------------------------------
// Command exchange and the logger host

std::string TForm1::SendCommand(const std::string& command) { return ::SendCommand(*serialPort_, *this, command); }

void TForm1::PostCommand(const std::string& command) { ::PostCommand(*serialPort_, *this, command); }

void TForm1::AppendCommLog(const std::string& line) { Memo1->AppendLine(line); }

void TForm1::SetStatusText(const std::string& utf8) { stBar->setText(QString::fromStdString(utf8)); }

void TForm1::AppendDataLine(const std::string& line) {
    Memo2->AppendLine(line);
    shownRecording_.reset();  // the panel no longer holds just the archived recording
    panelFile_.clear();       // nor just a file's lines
}

void TForm1::ProcessEvents() { QCoreApplication::processEvents(); }

bool TForm1::DownloadWanted() { return !closed_ && sbRead->isChecked(); }

void TForm1::ReadingStored(const std::string& line) { AppendDataLine(line); }

void TForm1::ProbeStarting(const std::string& portName) { SetStatusText(Cp1250ToUtf8(portName)); }

void TForm1::ProbeFailed(const TProbeResult&) { RefreshMarkers(); }

void TForm1::ChunkDone(const TDownloadProgress& progress) {
    Edit1->setText(QString::number(progress.Next));
    // 64-bit arithmetic: (next - first) * 100 would overflow 32 bits on long ranges.
    const std::int64_t count = progress.End - progress.First;
    const std::int64_t done = progress.Next - progress.First;
    if (count != 0 && done <= count) SetStatusText(std::to_string(done * 100 / count) + "%");
}
