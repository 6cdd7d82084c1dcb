#include "laps/lapanalysisview.h"

#include "laps/lapanalysistext.h"
#include "windows/updown.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// Read-only, one line a row, Tab leaves the table instead of moving between its cells.
QTableWidget* table(QWidget* parent, const QString& name) {
    auto* t = new QTableWidget(parent);
    t->setObjectName(name);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setTabKeyNavigation(false);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->setWordWrap(false);
    t->verticalHeader()->hide();
    t->verticalHeader()->setDefaultSectionSize(18);
    t->horizontalHeader()->setHighlightSections(false);
    return t;
}

QTableWidgetItem* item(const QString& text, Qt::Alignment alignment) {
    auto* i = new QTableWidgetItem(text);
    i->setTextAlignment(alignment);
    return i;
}

} // namespace

LapAnalysisView::LapAnalysisView(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(4);

    auto* limitRow = new QHBoxLayout;
    limitRow->addWidget(new QLabel(QStringLiteral("クリーンラップ判定 ベストの"), this));
    edtCleanLimit = new QLineEdit(this);
    edtCleanLimit->setObjectName(QStringLiteral("edtCleanLimit"));
    edtCleanLimit->setReadOnly(true);
    edtCleanLimit->setAlignment(Qt::AlignRight);
    edtCleanLimit->setFixedWidth(40);
    edtCleanLimit->setStatusTip(QStringLiteral("ベストラップから何％以内をクリーンラップとするか"
                                               "を上下キーで選びます。"));
    edtCleanLimit->setToolTip(edtCleanLimit->statusTip());
    updCleanLimit = new UpDown(this);
    updCleanLimit->setObjectName(QStringLiteral("updCleanLimit"));
    updCleanLimit->setRange(100, 150);
    updCleanLimit->setAssociate(edtCleanLimit);
    updCleanLimit->setPosition(int(DefaultCleanLimitPercent));
    updCleanLimit->setFixedSize(16, 22);
    limitRow->addWidget(edtCleanLimit);
    limitRow->addWidget(updCleanLimit);
    limitRow->addWidget(new QLabel(QStringLiteral("％以内"), this));
    limitRow->addStretch(1);
    layout->addLayout(limitRow);
    connect(updCleanLimit, &UpDown::positionChanged, this, &LapAnalysisView::cleanLimitChanged);

    grdAnalysisFigures = table(this, QStringLiteral("grdAnalysisFigures"));
    grdAnalysisFigures->setColumnCount(2);
    grdAnalysisFigures->setHorizontalHeaderLabels({QStringLiteral("項目"), QStringLiteral("値")});
    grdAnalysisFigures->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(grdAnalysisFigures, 5);

    layout->addWidget(
        new QLabel(QStringLiteral("ラップ別タイム差（秒、★ はその列のベスト）"), this));
    grdLapDelta = table(this, QStringLiteral("grdLapDelta"));
    layout->addWidget(grdLapDelta, 6);
}

double LapAnalysisView::cleanLimitPercent() const {
    return updCleanLimit->position();
}

void LapAnalysisView::showAnalysis(const LapAnalysis& analysis,
                                   const std::optional<FuelPerLap>& fuel) {
    const QList<AnalysisFigure> figures = analysisFigures(analysis, fuel);
    grdAnalysisFigures->setUpdatesEnabled(false);
    grdAnalysisFigures->setRowCount(int(figures.size()));
    for (int r = 0; r < figures.size(); ++r) {
        grdAnalysisFigures->setItem(r, 0,
                                    item(figures[r].caption, Qt::AlignLeft | Qt::AlignVCenter));
        grdAnalysisFigures->setItem(r, 1, item(figures[r].value, Qt::AlignLeft | Qt::AlignVCenter));
    }
    grdAnalysisFigures->resizeColumnToContents(0);
    grdAnalysisFigures->setUpdatesEnabled(true);

    const DeltaTable t = deltaTable(analysis);
    grdLapDelta->setUpdatesEnabled(false);
    grdLapDelta->clear();
    grdLapDelta->setColumnCount(int(t.headings.size()));
    grdLapDelta->setHorizontalHeaderLabels(t.headings);
    grdLapDelta->setRowCount(int(t.cells.size()));
    for (int r = 0; r < t.cells.size(); ++r) {
        for (int c = 0; c < t.cells[r].size(); ++c) {
            QTableWidgetItem* i = item(t.cells[r][c], Qt::AlignCenter);
            if (t.best[r][c]) {
                // As the lap grid marks its best lap and fastest sectors.
                i->setBackground(QColor(0, 0, 255));
                i->setForeground(Qt::white);
            }
            grdLapDelta->setItem(r, c, i);
        }
    }
    grdLapDelta->resizeColumnsToContents();
    grdLapDelta->setUpdatesEnabled(true);
}
