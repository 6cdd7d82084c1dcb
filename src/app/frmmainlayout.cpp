// Creation of the main window's controls: pages, chart panel, bottom panel, menu and
// status bar, with the captions, hints and initial states the program shows.
#include "app/frmmain.h"
#include "laps/lapanalysisview.h"
#include "laps/lapchartview.h"
#include "laps/lapgridview.h"
#include "protocol/settingcommands.h"
#include "serial/portlist.h"
#include "windows/captionlabel.h"
#include "windows/colouredsplitter.h"
#include "windows/corneranchor.h"
#include "windows/exampleentry.h"
#include "windows/placedwidget.h"
#include "windows/statuspanel.h"

#include "windows/typinglimit.h"
#include "windows/updown.h"

#include <QApplication>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// Every control's hint is shown in status panel 0 while the mouse is over it, and as tooltip.
template <typename W> W* hinted(W* widget, const QString& hint) {
    widget->setStatusTip(hint);
    widget->setToolTip(hint);
    return widget;
}

QLabel* label(const QString& text, QWidget* parent, QRect geometry) {
    auto* l = new QLabel(text, parent);
    l->setGeometry(geometry);
    return l;
}

// A sunken value panel as the fuel monitor, odometer and version displays use.
QLabel* valuePanel(QWidget* parent, QRect geometry, int pixelSize, bool bold, bool mono) {
    auto* p = new QLabel(parent);
    // The values come from the device: shown as they are, never as markup.
    p->setTextFormat(Qt::PlainText);
    p->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    p->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont f = p->font();
    if (mono) {
        f.setFamilies({QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("monospace")});
        f.setStyleHint(QFont::Monospace);
    }
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    p->setFont(f);
    p->setGeometry(geometry);
    return p;
}

QLineEdit* entry(QWidget* parent, const QString& text, int maxLength, QRect geometry) {
    auto* e = new QLineEdit(text, parent);
    setTypingLimit(e, maxLength);
    e->setGeometry(geometry);
    return e;
}

// A radio ID entry: it starts as "0x" and shows, greyed, an example of a whole ID after it.
QLineEdit* radioIdEntry(QWidget* parent, QRect geometry) {
    auto* e = new ExampleEntry(QStringLiteral("0x"), parent);
    e->setExample(QStringLiteral("0x12AB"), QStringLiteral("0x"));
    setTypingLimit(e, 6);
    e->setGeometry(geometry);
    return e;
}

} // namespace

void TMainForm::createControls() {
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);

    pnlMain = new QWidget(central);
    pnlMain->setObjectName(QStringLiteral("pnlMain"));
    // The main panel gives way when the window is made low or narrow (its panes are cut at
    // the bottom and the right); the window's own limit is its minimum height.
    pnlMain->setMinimumSize(1, 1);
    auto* mainRow = new QHBoxLayout(pnlMain);
    mainRow->setContentsMargins(0, 0, 0, 0);

    Splitter1 = new ColouredSplitter(Qt::Horizontal, Qt::blue, pnlMain);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(6);
    Splitter1->setChildrenCollapsible(false);

    Panel2 = new QWidget(Splitter1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    auto* leftColumn = new QVBoxLayout(Panel2);
    leftColumn->setContentsMargins(0, 0, 0, 0);
    PageControlSetting = new QTabWidget(Panel2);
    PageControlSetting->setObjectName(QStringLiteral("PageControlSetting"));
    tabBasicSetting = createDataPage();
    tabSetting = createSettingPage();
    tabDevelop = createDevelopPage();
    PageControlSetting->addTab(tabBasicSetting, QStringLiteral("データ"));
    PageControlSetting->addTab(tabSetting, QStringLiteral("セッティング"));
    PageControlSetting->addTab(tabDevelop, QStringLiteral("開発用"));
    // The analysis comes after the pages of the lap timer, so their places stay as they are.
    tabAnalysis = new LapAnalysisView;
    tabAnalysis->setObjectName(QStringLiteral("tabAnalysis"));
    PageControlSetting->addTab(tabAnalysis, QStringLiteral("分析"));
    leftColumn->addWidget(PageControlSetting);

    Panel1 = new QWidget(Splitter1);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto* chartColumn = new QVBoxLayout(Panel1);
    chartColumn->setContentsMargins(0, 0, 0, 0);
    Chart1 = hinted(
        new LapChartView(Panel1),
        QStringLiteral("マウス左ボタン：左上から右下のドラッグで拡大，右下から左上のドラッグで"
                       "縮小 右ボタンドラッグ：スクロール"));
    Chart1->setObjectName(QStringLiteral("Chart1"));
    chartColumn->addWidget(Chart1);
    btnZoomReset = hinted(new QPushButton(QStringLiteral("表示リセット"), Chart1),
                          QStringLiteral("チャート表示リセット。"));
    btnZoomReset->setObjectName(QStringLiteral("btnZoomReset"));
    btnZoomReset->resize(90, 24);
    anchorToCorner(btnZoomReset, Qt::BottomLeftCorner, {4, 4});

    Splitter1->addWidget(Panel2);
    Splitter1->addWidget(Panel1);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({358, 1016 - 358 - 6});
    mainRow->addWidget(Splitter1);

    pnlMonitor = createMonitorPanel();
    column->addWidget(pnlMain, 1);
    column->addWidget(pnlMonitor, 0);
    setCentralWidget(central);

    createMenu();
    createStatusBar();
    setNaturalTabOrder();
}

void TMainForm::setNaturalTabOrder() {
    // Reading order: the page tabs and the shown page, the chart, then the bottom panel
    // row by row. A radio group is one stop (its checked button; the arrow keys move
    // within it); hidden and disabled controls are passed over.
    QList<QWidget*> order{PageControlSetting->tabBar(), StringGrid1};
    for (int tag = 1; tag < SettingItems::TagLimit; ++tag) {
        if (!btnRead[tag])
            continue;
        order << btnRead[tag];
        if (btnWrite[tag])
            order << btnWrite[tag];
        const SettingControls& c = settingControls[size_t(tag)];
        if (c.first)
            order << c.first << c.second;
        if (tag ==
            SettingItems::PulseItem) // both models' controls: the hidden ones are passed over
            for (QRadioButton* b : rabPulse)
                order << b;
        if (c.edit)
            order << c.edit;
        if (c.upDown)
            order << c.upDown;
        if (c.tick)
            order << c.tick;
    }
    order << memTxRxMonitor << txtEdit << cmbTemplate << spbCommandTx << spbMonitorClear
          << btnSendMail << btnTrafficView << tabAnalysis->edtCleanLimit
          << tabAnalysis->updCleanLimit << tabAnalysis->grdAnalysisFigures
          << tabAnalysis->grdLapDelta << Chart1 << btnZoomReset << edtID << edtCourseLength
          << spbRead << spbClear << spbSave << spbExit << edtIDQK11 << rgrpQKLogRecord
          << rgrpQKLogStop;
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

bool TMainForm::focusNextPrevChild(bool next) {
    if (!QMainWindow::focusNextPrevChild(next))
        return false;
    // Tab enters a radio group at its first button; the chosen one is where the user
    // expects to land, and a Space there must not change the choice.
    auto* radio = qobject_cast<QRadioButton*>(QApplication::focusWidget());
    if (!radio || radio->isChecked() || !radio->autoExclusive() || !radio->parentWidget())
        return true;
    for (auto* sibling :
         radio->parentWidget()->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly)) {
        if (sibling->isChecked() && sibling->autoExclusive() && sibling->isVisible() &&
            sibling->isEnabled()) {
            sibling->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            break;
        }
    }
    return true;
}

QWidget* TMainForm::createDataPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tabBasicSetting"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    StringGrid1 =
        hinted(new LapGridView(page), QStringLiteral("ダブルクリックでグリッドをクリアします。"));
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setLapTable(&lapTable);
    layout->addWidget(StringGrid1);

    // Summary labels: never shown, their captions carry the lap count and lap numbers.
    auto hiddenLabel = [page](const QString& name) {
        auto* l = new QLabel(QStringLiteral("300"), page);
        l->setTextFormat(Qt::PlainText); // tokens of lap files and lap lists
        l->setObjectName(name);
        l->hide();
        return l;
    };
    lblLaps = hiddenLabel(QStringLiteral("lblLaps"));
    lblFastest = hiddenLabel(QStringLiteral("lblFastest"));
    lblTopSpeed = hiddenLabel(QStringLiteral("lblTopSpeed"));
    for (int s = 0; s < 4; ++s)
        lblSector[s] = hiddenLabel(QStringLiteral("lblSector%1").arg(s + 1));
    return page;
}

QWidget* TMainForm::createSettingPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tabSetting"));
    auto* outer = new QVBoxLayout(page);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(page);
    // The rows' own controls take the focus; the area brings the focused one into view.
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    outer->addWidget(scroll);
    auto* body = new QWidget;
    auto* rows = new QVBoxLayout(body);
    rows->setContentsMargins(2, 2, 2, 2);
    rows->setSpacing(1);
    scroll->setWidget(body);

    constexpr int captionWidth = 150, buttonWidth = 84; // the value column takes the rest
    auto panel = [](QWidget* parent) {
        auto* f = new QFrame(parent);
        f->setFrameStyle(QFrame::Panel | QFrame::Raised);
        return f;
    };
    // Header: caption column, button column, value column.
    {
        auto* header = new QWidget(body);
        auto* h = new QHBoxLayout(header);
        h->setContentsMargins(0, 0, 0, 0);
        h->setSpacing(1);
        const QString titles[] = {QStringLiteral("設定"), QStringLiteral("Read/Write"),
                                  QStringLiteral("値")};
        const int widths[] = {captionWidth, buttonWidth, 0};
        for (int i = 0; i < 3; ++i) {
            auto* p = panel(header);
            auto* l = new QLabel(titles[i], p);
            l->setAlignment(Qt::AlignCenter);
            auto* pl = new QHBoxLayout(p);
            pl->setContentsMargins(2, 2, 2, 2);
            pl->addWidget(l);
            if (widths[i])
                p->setFixedWidth(widths[i]);
            h->addWidget(p, widths[i] ? 0 : 1);
        }
        header->setFixedHeight(22);
        rows->addWidget(header);
    }

    // One row per item: [caption panel][Read/Write panel][value panel].
    struct Row {
        QFrame* caption;
        QFrame* buttons;
        QFrame* value;
    };
    auto makeRow = [&](int tag, int height) {
        const SettingItems::Item* item = SettingItems::firstRow(tag);
        const bool writable = !item || !item->writeKey.empty();
        // The pulse item follows the model: the layout switch sets its caption.
        const QString caption =
            item && tag != SettingItems::PulseItem ? SettingCommands::caption(*item) : QString();
        auto* row = new QFrame(body);
        row->setObjectName(QStringLiteral("settingRow%1").arg(tag));
        auto* h = new QHBoxLayout(row);
        h->setContentsMargins(0, 0, 0, 0);
        h->setSpacing(1);
        Row r{panel(row), panel(row), panel(row)};
        r.caption->setFixedWidth(captionWidth);
        r.buttons->setFixedWidth(buttonWidth);
        h->addWidget(r.caption);
        h->addWidget(r.buttons);
        h->addWidget(r.value, 1);
        if (!caption.isEmpty()) {
            auto* l = new CaptionLabel(caption, r.caption);
            l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            l->setGeometry(4, 0, captionWidth - 8, height);
        }
        auto* read = new QPushButton(
            tag == 10 ? QStringLiteral("All Read") : QStringLiteral("Read"), r.buttons);
        read->setObjectName(QStringLiteral("btnRead%1").arg(tag));
        read->setProperty("Tag", tag);
        read->setEnabled(false);
        btnRead[tag] = read;
        if (writable) {
            auto* write = new QPushButton(
                tag == 10 ? QStringLiteral("All Write") : QStringLiteral("Write"), r.buttons);
            write->setObjectName(QStringLiteral("btnWrite%1").arg(tag));
            write->setProperty("Tag", tag);
            write->setEnabled(false);
            btnWrite[tag] = write;
        }
        const int top = std::max(1, (height - 20) / 2);
        if (tag == 10) {
            read->setGeometry(2, top, buttonWidth - 4, 20);
            btnWrite[tag]->setParent(r.value);
            btnWrite[tag]->setGeometry(4, top, 90, 20);
        } else {
            read->setGeometry(2, top, 40, 20);
            if (writable)
                btnWrite[tag]->setGeometry(42, top, 40, 20);
        }
        row->setFixedHeight(height);
        settingRow[tag] = row;
        rows->addWidget(row);
        return r;
    };

    // 1: display type
    Row r1 = makeRow(1, 44);
    rabRealMode = placedWidget<QRadioButton>(QStringLiteral("rabRealMode"), QRect(4, 2, 100, 20),
                                             QStringLiteral("REALモード"), r1.value);
    rabRealMode->setChecked(true);
    rabLapMode = placedWidget<QRadioButton>(QStringLiteral("rabLapMode"), QRect(4, 22, 100, 20),
                                            QStringLiteral("LAPモード"), r1.value);
    settingControls[1].first = rabRealMode;
    settingControls[1].second = rabLapMode;

    // 2..4 and 7: numbers with up-down spinners
    auto numberItem = [&](int tag, Row& r, QLineEdit*& edit, UpDown*& upDown, const QString& name,
                          const QString& text, const QString& unit) {
        edit = entry(r.value, text, 2, QRect(4, 5, 36, 22));
        edit->setObjectName(QStringLiteral("edt") + name);
        upDown = new UpDown(r.value);
        upDown->setObjectName(QStringLiteral("upd") + name);
        const SettingItems::Range range = SettingCommands::upDownRange(tag);
        upDown->setRange(range.min, range.max);
        upDown->setPosition(text.toInt());
        upDown->setAssociate(edit);
        upDown->setGeometry(41, 5, 16, 22);
        if (!unit.isEmpty())
            label(unit, r.value, QRect(62, 8, 30, 16));
        settingControls[size_t(tag)].edit = edit;
        settingControls[size_t(tag)].upDown = upDown;
    };
    Row r2 = makeRow(2, 32);
    numberItem(2, r2, edtLapDispTime, updLapDispTime, QStringLiteral("LapDispTime"),
               QStringLiteral("1"), QStringLiteral("秒"));
    Row r3 = makeRow(3, 32);
    numberItem(3, r3, edtCP, updCP, QStringLiteral("CP"), QStringLiteral("1"), {});
    Row r4 = makeRow(4, 32);
    numberItem(4, r4, edtPass, updPass, QStringLiteral("Pass"), QStringLiteral("1"), {});

    // 5: separator
    Row r5 = makeRow(5, 44);
    rabColon = placedWidget<QRadioButton>(QStringLiteral("rabColon"), QRect(4, 2, 60, 20),
                                          QStringLiteral("：："), r5.value);
    rabColon->setChecked(true);
    rabDash = placedWidget<QRadioButton>(QStringLiteral("rabDash"), QRect(4, 22, 60, 20),
                                         QStringLiteral("’”"), r5.value);
    settingControls[5].first = rabColon;
    settingControls[5].second = rabDash;

    // 6: pulse factor (RK-12) or pulse width K (RK-13); the layout switch moves it.
    Row r6 = makeRow(SettingItems::PulseItem, 50);
    lblPLS = new CaptionLabel(r6.caption);
    lblPLS->setGeometry(4, 0, captionWidth - 8, 50);
    for (size_t i = 0; i < rabPulse.size(); ++i) {
        rabPulse[i] =
            new QRadioButton(QString::fromUtf8(SettingCommands::pulseCaptions[i]), r6.value);
        rabPulse[i]->setObjectName(QStringLiteral("rabPulse%1").arg(i + 1));
        rabPulse[i]->setProperty("Tag", SettingCommands::pulseTags[i]);
        // Two columns, four rows: a third column would not fit the value panel at the
        // page's designed width, and the model's tall row holds four.
        rabPulse[i]->setGeometry(4 + int(i % 2) * 52, 1 + int(i / 2) * 19, 50, 19);
    }
    rabPulse[2]->setChecked(true);
    lblK = label(QStringLiteral("K = "), r6.value, QRect(4, 17, 26, 16));
    edtK = entry(r6.value, QString(), 7, QRect(30, 14, 66, 22));
    edtK->setObjectName(QStringLiteral("edtK"));
    settingControls[SettingItems::PulseItem].edit = edtK;

    // 7: sensor valid time
    Row r7 = makeRow(7, 32);
    numberItem(7, r7, edtSensorMarkTime, updSensorMarkTime, QStringLiteral("SensorMarkTime"),
               QStringLiteral("0"), {});

    // 8, 9: odometer and firmware version (read only)
    Row r8 = makeRow(8, 32);
    pnlOdo = valuePanel(r8.value, QRect(4, 5, 70, 22), 12, false, false);
    label(QStringLiteral("km"), r8.value, QRect(78, 8, 24, 16));
    settingControls[8].display = pnlOdo;
    Row r9 = makeRow(9, 32);
    label(QStringLiteral("Version"), r9.value, QRect(4, 8, 44, 16));
    pnlVersion = valuePanel(r9.value, QRect(48, 5, 52, 22), 12, false, false);
    settingControls[9].display = pnlVersion;

    // 10: All Read / All Write
    makeRow(SettingItems::AllItems, 32);

    // 11: time-difference display (RK-13 only)
    Row r11 = makeRow(11, 32);
    chkGAP = placedWidget<QCheckBox>(QStringLiteral("chkGAP"), QRect(4, 6, 80, 20),
                                     QStringLiteral("表示"), r11.value);
    settingControls[11].tick = chkGAP;

    rows->addStretch(1);
    return page;
}

QWidget* TMainForm::createDevelopPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tabDevelop"));
    auto* outer = new QVBoxLayout(page);
    outer->setContentsMargins(2, 2, 2, 2);
    grpMonitor = new QGroupBox(QStringLiteral("送受信モニタ"), page);
    grpMonitor->setObjectName(QStringLiteral("grpMonitor"));
    outer->addWidget(grpMonitor);
    auto* layout = new QVBoxLayout(grpMonitor);

    memTxRxMonitor = new QPlainTextEdit(grpMonitor);
    memTxRxMonitor->setObjectName(QStringLiteral("memTxRxMonitor"));
    memTxRxMonitor->setReadOnly(true);
    // Read only, but its lines can be selected and copied from the keyboard too.
    memTxRxMonitor->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                            Qt::TextSelectableByKeyboard);
    memTxRxMonitor->setLineWrapMode(QPlainTextEdit::NoWrap);
    memTxRxMonitor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memTxRxMonitor->setUndoRedoEnabled(false);
    layout->addWidget(memTxRxMonitor, 1);

    txtEdit = hinted(new QLineEdit(grpMonitor), QStringLiteral("コマンドを入力してください。"));
    txtEdit->setObjectName(QStringLiteral("txtEdit"));
    txtEdit->setMaxLength(1024);
    layout->addWidget(txtEdit);

    auto* buttons = new QHBoxLayout;
    cmbTemplate = hinted(new QComboBox(grpMonitor),
                         QStringLiteral("コマンドラインにテンプレートをコピーします。"));
    cmbTemplate->setObjectName(QStringLiteral("cmbTemplate"));
    cmbTemplate->setEditable(true);
    cmbTemplate->setInsertPolicy(QComboBox::NoInsert);
    buttons->addWidget(cmbTemplate, 1);
    spbCommandTx = hinted(new QPushButton(QStringLiteral("コマンド送信"), grpMonitor),
                          QStringLiteral("コマンドラインの内容を送信します。"));
    spbCommandTx->setObjectName(QStringLiteral("spbCommandTx"));
    spbCommandTx->setEnabled(false);
    buttons->addWidget(spbCommandTx);
    layout->addLayout(buttons);

    auto* lower = new QHBoxLayout;
    spbMonitorClear = hinted(new QPushButton(QStringLiteral("モニタ クリア"), grpMonitor),
                             QStringLiteral("送受信モニタの内容を消去します"));
    spbMonitorClear->setObjectName(QStringLiteral("spbMonitorClear"));
    lower->addWidget(spbMonitorClear);
    btnSendMail = new QPushButton(QStringLiteral("メール送信"), grpMonitor);
    btnSendMail->setObjectName(QStringLiteral("btnSendMail"));
    lower->addWidget(btnSendMail);
    btnTrafficView = hinted(new QPushButton(QStringLiteral("詳細表示"), grpMonitor),
                            QStringLiteral("送受信の詳細を別のウィンドウに表示します。"));
    btnTrafficView->setObjectName(QStringLiteral("btnTrafficView"));
    lower->addWidget(btnTrafficView);
    lower->addStretch(1);
    layout->addLayout(lower);
    return page;
}

QWidget* TMainForm::createMonitorPanel() {
    auto* panel = new QWidget;
    panel->setObjectName(QStringLiteral("pnlMonitor"));
    panel->setFixedHeight(122);
    // The controls keep to the right edge; a window narrower than their row cuts the
    // row at the left instead of refusing to become narrower.
    auto* area = new QWidget(panel);
    area->setFixedSize(1016, 122);
    anchorToCorner(area, Qt::TopRightCorner);

    // Upper row: radio ID, course length, lap-timer buttons, exit.
    lblID = label(QStringLiteral("RK-13 ID"), area, QRect(8, 18, 60, 16));
    edtID = hinted(radioIdEntry(area, QRect(70, 14, 60, 22)),
                   QStringLiteral("RK-13の無線IDを16進で入力します。"));
    edtID->setObjectName(QStringLiteral("edtID"));
    edtID->setAttribute(Qt::WA_InputMethodEnabled, false);
    imgAntenna = new QLabel(area);
    imgAntenna->setObjectName(QStringLiteral("imgAntenna"));
    imgAntenna->setPixmap(QPixmap(QStringLiteral(":/pictures/antenna.png")));
    imgAntenna->setScaledContents(true);
    imgAntenna->setGeometry(136, 16, 24, 24);
    imgAntenna->hide();

    // The caption and the unit explain the entry, so they show its hint as well.
    const QString courseLengthHint = QStringLiteral("コース全長を入力します。");
    hinted(label(QStringLiteral("コース全長"), area, QRect(172, 18, 70, 16)), courseLengthHint);
    edtCourseLength =
        hinted(entry(area, QStringLiteral("12"), 6, QRect(244, 14, 60, 22)), courseLengthHint);
    edtCourseLength->setObjectName(QStringLiteral("edtCourseLength"));
    edtCourseLength->setAlignment(Qt::AlignRight);
    edtCourseLength->setAttribute(Qt::WA_InputMethodEnabled, false);
    hinted(label(QStringLiteral("km"), area, QRect(308, 18, 24, 16)), courseLengthHint);

    auto button = [area](const QString& name, const QString& caption, const QString& hint,
                         QRect geometry) {
        auto* b = hinted(new QPushButton(caption, area), hint);
        b->setObjectName(name);
        b->setGeometry(geometry);
        return b;
    };
    spbRead = button(QStringLiteral("spbRead"), QStringLiteral("RIN KODAから読み込み"),
                     QStringLiteral("RIN KODAからデータを読み込みます。"), QRect(344, 8, 170, 40));
    spbClear = button(QStringLiteral("spbClear"), QStringLiteral("RIN　KODAのデータクリア"),
                      QStringLiteral("RIN KODAのデータを消去します。"), QRect(520, 8, 170, 40));
    spbSave = button(QStringLiteral("spbSave"), QStringLiteral("CSVファイル保存"),
                     QStringLiteral("CSV形式でファイルに保存します。"), QRect(696, 8, 150, 40));
    spbExit = button(QStringLiteral("spbExit"), QStringLiteral("終了"),
                     QStringLiteral("アプリケーションを終了します。"), QRect(852, 8, 150, 40));
    spbRead->setEnabled(false);
    spbClear->setEnabled(false);
    spbSave->setEnabled(false);

    // Test controls of the lap read, never shown.
    Button1 = new QPushButton(QStringLiteral("Sector"), area);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->hide();
    Edit1 = entry(area, QStringLiteral("0"), 1, QRect(0, 0, 30, 22));
    Edit1->hide();
    UpDown1 = new UpDown(area);
    UpDown1->setRange(0, 4);
    UpDown1->setAssociate(Edit1);
    UpDown1->hide();
    btnLapData = new QPushButton(QStringLiteral("LapData"), area);
    btnLapData->setObjectName(QStringLiteral("btnLapData"));
    btnLapData->hide();
    edtLapData = entry(area, QString(), 3, QRect(0, 0, 40, 22));
    edtLapData->hide();

    // Lower row: the QK-11 fuel monitor.
    grpLine = new QFrame(area);
    grpLine->setObjectName(QStringLiteral("grpLine"));
    grpLine->setFrameShape(QFrame::HLine);
    grpLine->setFrameShadow(QFrame::Sunken);
    grpLine->setGeometry(0, 55, 1016, 3);

    Label19 = label(QStringLiteral("QK-11 ID"), area, QRect(8, 76, 60, 16));
    edtIDQK11 = hinted(radioIdEntry(area, QRect(70, 72, 60, 22)),
                       QStringLiteral("QK-11の無線IDを16進で入力します。"));
    edtIDQK11->setObjectName(QStringLiteral("edtIDQK11"));
    edtIDQK11->setAttribute(Qt::WA_InputMethodEnabled, false);

    label(QStringLiteral("更新後経過時間"), area, QRect(166, 60, 100, 16));
    pnlClock = valuePanel(area, QRect(166, 78, 96, 28), 16, true, true);
    pnlClock->setObjectName(QStringLiteral("pnlClock"));
    struct Fuel {
        QLabel** panel;
        const char* name;
        const char* caption;
        const char* unit;
        bool squaredUnit; // one character holding a whole word, as "㍑" holds リットル
    };
    const Fuel fuels[] = {{&pnlFuel, "pnlFuel", "残燃料", "㍑", true},
                          {&pnlUsed, "pnlUsed", "使用燃料", "㍑", true},
                          {&pnlEco, "pnlEco", "燃費", "km/l", false},
                          {&pnlTrip, "pnlTrip", "走行距離", "km", false}};
    int x = 276;
    for (const Fuel& f : fuels) {
        label(QString::fromUtf8(f.caption), area, QRect(x, 60, 100, 16));
        *f.panel = valuePanel(area, QRect(x, 78, 104, 28), 16, true, true);
        (*f.panel)->setObjectName(QString::fromLatin1(f.name));
        QLabel* unit = label(QString::fromUtf8(f.unit), area, QRect(x + 108, 86, 32, 16));
        if (f.squaredUnit) {
            // At the text's size the word in the square is a few pixels high: it is drawn
            // as high as the value beside it.
            QFont large = unit->font();
            large.setPixelSize(24);
            unit->setFont(large);
            unit->setGeometry(x + 106, 78, 32, 28);
        }
        x += 146;
    }

    rgrpQKLog = placedWidget<QGroupBox>(QStringLiteral("rgrpQKLog"), QRect(862, 58, 140, 56),
                                        QStringLiteral("QK-11 ログ"), area);
    rgrpQKLogRecord =
        placedWidget<QRadioButton>(QStringLiteral("rgrpQKLogRecord"), QRect(10, 24, 60, 22),
                                   QStringLiteral("記録"), rgrpQKLog);
    rgrpQKLogStop = placedWidget<QRadioButton>(
        QStringLiteral("rgrpQKLogStop"), QRect(72, 24, 60, 22), QStringLiteral("停止"), rgrpQKLog);
    rgrpQKLogStop->setChecked(true);
    return panel;
}

void TMainForm::createMenu() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    file->setObjectName(QStringLiteral("mnuFile"));
    mnuCsvLoad = file->addAction(QStringLiteral("CSVファイルを開く(&O)..."));
    mnuCsvLoad->setStatusTip(QStringLiteral("PCに保存されているデータを読み込みます。"));
    mnuCsvSave = file->addAction(QStringLiteral("CSVファイルへ保存（&A)..."));
    mnuCsvSave->setStatusTip(QStringLiteral("現在読み込まれているデータを保存します。"));
    mnuCsvSave->setEnabled(false);
    mnuSessionReport = file->addAction(QStringLiteral("セッションサマリをPDFで保存(&P)..."));
    mnuSessionReport->setObjectName(QStringLiteral("mnuSessionReport"));
    mnuSessionReport->setStatusTip(
        QStringLiteral("分析結果とラップチャートをPDFファイルに保存します。"));
    mnuSessionReport->setEnabled(false);
    // The logbook, kept beside the main window (see main.cpp); before the separator, so that
    // the program's end stays the menu's last item.
    mnuLogbook = file->addAction(QStringLiteral("ログブック(&L)..."));
    mnuLogbook->setObjectName(QStringLiteral("mnuLogbook"));
    mnuLogbook->setStatusTip(QStringLiteral("記録したセッションを一覧・比較します。"));
    file->addSeparator();
    mnuExit = file->addAction(QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)"));

    QMenu* setting = menuBar()->addMenu(QStringLiteral("設定(&S)"));
    setting->setObjectName(QStringLiteral("mnuSetting"));
    mnuCommSettings = setting->addAction(QStringLiteral("通信のﾌﾟﾛﾊﾟﾃｨ(&R)..."));
    mnuComPortSearch = setting->addAction(QStringLiteral("通信ポート自動検索実行"));
    mnuComPortSearch->setVisible(false);
    mnuQkodaMessage = setting->addAction(QStringLiteral("Q-KODAモニタの表示"));
    mnuQkodaMessage->setCheckable(true);
    mnuQkodaMessage->setChecked(true);
    setting->addSeparator();
    mnuChartSettings = setting->addAction(QStringLiteral("チャートのプロパティ(&C)..."));
    setting->addSeparator();
    // The pit board listens to the event feed; the program shows it (see main.cpp).
    mnuPitBoard = setting->addAction(QStringLiteral("ピットボード(&B)"));
    mnuPitBoard->setObjectName(QStringLiteral("mnuPitBoard"));
    mnuPitBoard->setShortcut(Qt::Key_F9);
    mnuPitBoard->setStatusTip(QStringLiteral("ライブラップと燃料を大きな文字で表示します。"));

    mnuAbout = menuBar()->addAction(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報(&A)..."));
}

QStringList TMainForm::shownHints() const {
    // The hints status panel 0 shows: those of the window's controls and menu items.
    QStringList hints;
    for (const QWidget* w : findChildren<QWidget*>())
        hints << w->statusTip();
    for (const QAction* a : findChildren<QAction*>())
        hints << a->statusTip();
    hints.removeAll(QString());
    hints.removeDuplicates();
    return hints;
}

void TMainForm::createStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setFixedHeight(17 + 4);
    bar->setSizeGripEnabled(false);
    const int widths[4] = {500, 180, 20, 100};
    const Qt::Alignment alignments[4] = {Qt::AlignLeft | Qt::AlignVCenter, Qt::AlignCenter,
                                         Qt::AlignCenter, Qt::AlignCenter};
    for (int i = 0; i < 4; ++i) {
        auto* panel = new StatusPanel(widths[i], bar);
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        panel->setAlignment(alignments[i]);
        // The connection status must show whole on the widest line the program can open,
        // and the hints whole as well.
        if (i == 1)
            panel->widenToFit(widestConnectionStatusTexts());
        if (i == 0)
            panel->widenToFit(shownHints());
        bar->addWidget(panel);
        statusPanel[i] = panel;
    }
    statusPanel[3]->setText(QStringLiteral("KODA Systems"));
}
