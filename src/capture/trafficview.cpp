#include "capture/trafficview.h"
#include "capture/capturefiles.h"
#include "capture/linerecords.h"
#include "windows/prompts.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace capture {

namespace {

enum Column { ColTime, ColGap, ColDirection, ColHex, ColText, ColContent, ColumnCount };

QColor rowColour(Direction direction) {
    switch (direction) {
    case Direction::Sent:
        return QColor(0xdd, 0xea, 0xff);
    case Direction::Received:
        return QColor(0xe2, 0xf6, 0xe2);
    case Direction::Event:
        break;
    }
    return QColor(0xf2, 0xf2, 0xf2);
}

// Paints a cell as one line: its background (or the selection), its text in its font and
// colour, cut with an ellipsis at the cell's edge. The style's own item painting lays each
// whole text out several times a paint, which under a flood made a repaint of the rows cost
// more than the time between receptions; here only as much text as the cell can show is laid
// out, once for its width and once to draw it.
class RowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool selected = option.state.testFlag(QStyle::State_Selected);
        const QVariant background = index.data(Qt::BackgroundRole);
        if (selected)
            painter->fillRect(option.rect, option.palette.highlight());
        else if (background.canConvert<QBrush>())
            painter->fillRect(option.rect, background.value<QBrush>());
        const QVariant font = index.data(Qt::FontRole);
        const QFont cellFont = font.canConvert<QFont>() ? font.value<QFont>() : option.font;
        const QVariant foreground = index.data(Qt::ForegroundRole);
        QColor pen = option.palette.color(QPalette::Text);
        if (selected)
            pen = option.palette.color(QPalette::HighlightedText);
        else if (foreground.canConvert<QBrush>())
            pen = foreground.value<QBrush>().color();
        const QRect text = option.rect.adjusted(TextMargin, 0, -TextMargin, 0);
        // No character of these fonts is narrower than two pixels.
        const QFontMetrics metrics(cellFont);
        const QString shown =
            metrics.elidedText(index.data(Qt::DisplayRole).toString().left(text.width() / 2 + 1),
                               Qt::ElideRight, text.width());
        painter->save();
        painter->setFont(cellFont);
        painter->setPen(pen);
        painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
        painter->restore();
    }

private:
    static constexpr int TextMargin = 3;
};

} // namespace

TrafficView::TrafficView(Prompts& prompts, QWidget* parent)
    : QWidget(parent, Qt::Window), prompts_(prompts) {
    setObjectName(QStringLiteral("TrafficView"));
    setWindowTitle(QStringLiteral("通信の詳細"));
    // A window beside the main window: it never keeps the program running on its own.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(1100, 460);
    auto* layout = new QVBoxLayout(this);
    auto* tools = new QHBoxLayout;
    chkPause = new QCheckBox(QStringLiteral("一時停止"), this);
    chkPause->setObjectName(QStringLiteral("chkPause"));
    chkPause->setToolTip(QStringLiteral("表示を止めます。記録は続きます。"));
    tools->addWidget(chkPause);
    edtSearch = new QLineEdit(this);
    edtSearch->setObjectName(QStringLiteral("edtSearch"));
    edtSearch->setPlaceholderText(QStringLiteral("検索する文字列"));
    tools->addWidget(edtSearch, 1);
    btnSearch = new QPushButton(QStringLiteral("検索"), this);
    btnSearch->setObjectName(QStringLiteral("btnSearch"));
    tools->addWidget(btnSearch);
    btnCopy = new QPushButton(QStringLiteral("コピー"), this);
    btnCopy->setObjectName(QStringLiteral("btnCopy"));
    btnCopy->setToolTip(QStringLiteral("選択した行（選択がなければ全行）をコピーします。"));
    tools->addWidget(btnCopy);
    btnSaveCapture = new QPushButton(QStringLiteral("キャプチャを保存..."), this);
    btnSaveCapture->setObjectName(QStringLiteral("btnSaveCapture"));
    btnSaveCapture->setToolTip(
        QStringLiteral("記録されている送受信をキャプチャファイル（pcapng）に保存します。"));
    tools->addWidget(btnSaveCapture);
    btnOpenCapture = new QPushButton(QStringLiteral("キャプチャを開く..."), this);
    btnOpenCapture->setObjectName(QStringLiteral("btnOpenCapture"));
    btnOpenCapture->setToolTip(QStringLiteral("キャプチャファイルの内容を表示します。"));
    tools->addWidget(btnOpenCapture);
    lblCount = new QLabel(this);
    lblCount->setObjectName(QStringLiteral("lblCount"));
    tools->addWidget(lblCount);
    layout->addLayout(tools);

    tblTraffic = new QTableWidget(0, ColumnCount, this);
    tblTraffic->setObjectName(QStringLiteral("tblTraffic"));
    tblTraffic->setHorizontalHeaderLabels({QStringLiteral("時刻"), QStringLiteral("間隔(ms)"),
                                           QStringLiteral("向き"), QStringLiteral("16進"),
                                           QStringLiteral("テキスト"), QStringLiteral("内容")});
    tblTraffic->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblTraffic->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblTraffic->setWordWrap(false);
    tblTraffic->setItemDelegate(new RowDelegate(tblTraffic));
    tblTraffic->verticalHeader()->setVisible(false);
    tblTraffic->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    tblTraffic->horizontalHeader()->setStretchLastSection(true);
    const int widths[] = {90, 60, 36, 250, 110};
    for (int col = 0; col < ColContent; ++col)
        tblTraffic->setColumnWidth(col, widths[col]);
    layout->addWidget(tblTraffic, 1);

    connect(chkPause, &QCheckBox::toggled, this, &TrafficView::pauseToggled);
    connect(btnSearch, &QPushButton::clicked, this, &TrafficView::searchClick);
    connect(edtSearch, &QLineEdit::returnPressed, this, &TrafficView::searchClick);
    connect(btnCopy, &QPushButton::clicked, this, &TrafficView::copyClick);
    connect(btnSaveCapture, &QPushButton::clicked, this, &TrafficView::saveCaptureClick);
    connect(btnOpenCapture, &QPushButton::clicked, this, &TrafficView::openCaptureClick);
    showTimer_.setSingleShot(true);
    showTimer_.setInterval(ShowIntervalMs);
    connect(&showTimer_, &QTimer::timeout, this, &TrafficView::showPending);
    showCount();
}

void TrafficView::listen(feed::EventFeed& feed) {
    listenForRecords(feed, this, [this](const Record& record) { add(record); });
}

void TrafficView::showWindow() {
    show();
    raise();
    activateWindow();
}

void TrafficView::add(const Record& record) {
    const TrafficEntry& entry = log_.add(record);
    if (chkPause->isChecked())
        return; // recorded; shown when the pause ends
    pending_.append(entry);
    if (!showTimer_.isActive())
        showTimer_.start();
}

void TrafficView::showPending() {
    showTimer_.stop();
    if (pending_.isEmpty())
        return;
    // The rows are the newest entries of the log, which drops its oldest ones: what it
    // dropped meanwhile never becomes a row, and the top rows go in one removal.
    const qsizetype kept = log_.entries().size();
    if (pending_.size() > kept)
        pending_.remove(0, pending_.size() - kept);
    const qsizetype drop = std::max<qsizetype>(shown_.size() + pending_.size() - kept, 0);
    tblTraffic->setUpdatesEnabled(false);
    if (drop > 0) {
        shown_.remove(0, drop);
        tblTraffic->model()->removeRows(0, int(drop));
    }
    for (const TrafficEntry& entry : std::as_const(pending_)) {
        shown_.append(entry);
        appendRow(entry);
    }
    pending_.clear();
    if (!tblTraffic->selectionModel()->hasSelection())
        tblTraffic->scrollToBottom();
    tblTraffic->setUpdatesEnabled(true);
    showCount();
}

void TrafficView::appendRow(const TrafficEntry& entry) {
    const int row = tblTraffic->rowCount();
    tblTraffic->insertRow(row);
    const QStringList texts = TrafficLog::columns(entry);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    bool broken = false;
    for (const PieceDescription& piece : entry.pieces)
        broken = broken || !piece.good;
    for (int col = 0; col < ColumnCount; ++col) {
        auto* item = new QTableWidgetItem(texts.value(col));
        item->setBackground(rowColour(entry.record.direction));
        if (col == ColHex)
            item->setFont(fixed);
        if (col == ColContent && broken)
            item->setForeground(QColor(0xb0, 0x00, 0x00));
        if (col == ColContent)
            item->setToolTip(
                QString(texts.value(col)).replace(QStringLiteral(" | "), QStringLiteral("\n")));
        tblTraffic->setItem(row, col, item);
    }
}

void TrafficView::rebuild() {
    showEntries(log_.entries());
    showCount();
}

void TrafficView::showEntries(const QList<TrafficEntry>& entries) {
    showTimer_.stop();
    pending_.clear();
    tblTraffic->setUpdatesEnabled(false);
    tblTraffic->setRowCount(0);
    shown_ = entries;
    for (const TrafficEntry& entry : shown_)
        appendRow(entry);
    if (!tblTraffic->selectionModel()->hasSelection())
        tblTraffic->scrollToBottom();
    tblTraffic->setUpdatesEnabled(true);
}

void TrafficView::pauseToggled(bool paused) {
    if (paused)
        showPending(); // what came before the pause is shown
    else
        rebuild();
    showCount();
}

void TrafficView::showCount() {
    QString text = QStringLiteral("%1件").arg(shown_.size());
    if (log_.dropped() > 0)
        text += QStringLiteral("（古い%1件は表示から削除）").arg(log_.dropped());
    if (chkPause->isChecked())
        text += QStringLiteral(" 一時停止中");
    lblCount->setText(text);
}

void TrafficView::searchClick() {
    const int current = tblTraffic->currentRow();
    const int found = TrafficLog::find(shown_, edtSearch->text(), current + 1);
    if (found < 0) {
        lblCount->setText(QStringLiteral("見つかりません：%1").arg(edtSearch->text()));
        return;
    }
    tblTraffic->selectRow(found);
    tblTraffic->scrollToItem(tblTraffic->item(found, 0));
    showCount();
}

void TrafficView::copyClick() {
    QList<TrafficEntry> chosen;
    const QModelIndexList rows = tblTraffic->selectionModel()->selectedRows();
    for (int row = 0; row < int(shown_.size()); ++row)
        if (rows.isEmpty() || tblTraffic->selectionModel()->isRowSelected(row))
            chosen.append(shown_[row]);
    QApplication::clipboard()->setText(TrafficLog::text(chosen));
}

namespace {

const QString captureFilter = QStringLiteral("キャプチャファイル (*.pcapng);;すべてのファイル (*)");
const QString captureSuffix = QStringLiteral("pcapng");

} // namespace

void TrafficView::saveCaptureClick() {
    const QStringList files = captureFiles_ ? captureFiles_() : QStringList();
    if (files.isEmpty()) {
        prompts_.message(QStringLiteral("保存するキャプチャがありません。"), windowTitle(),
                         Prompts::Icon::Information);
        return;
    }
    const QString path = prompts_.saveFileName(QString(), QString(), captureFilter, captureSuffix);
    if (path.isEmpty())
        return;
    QString error;
    if (!joinCaptureFiles(files, path, &error))
        prompts_.message(QStringLiteral("キャプチャを保存できませんでした。\r\n") + error,
                         windowTitle(), Prompts::Icon::Warning);
}

void TrafficView::openCaptureClick() {
    const QString path = prompts_.openFileName(QString(), QString(), captureFilter, captureSuffix);
    if (path.isEmpty())
        return;
    const ReadResult read = readCaptureFile(path);
    if (!read.ok()) {
        prompts_.message(read.error, windowTitle(), Prompts::Icon::Warning);
        return;
    }
    TrafficLog file(int(qMin<qsizetype>(read.records.size(), TrafficLog::DefaultCapacity)),
                    TrafficLog::DefaultByteBudget);
    for (const Record& record : read.records)
        file.add(record);
    chkPause->setChecked(true); // the live rows come back when the pause ends
    showEntries(file.entries());
    lblCount->setText(
        QStringLiteral("%1：%2件").arg(QFileInfo(path).fileName()).arg(shown_.size()));
}

} // namespace capture
