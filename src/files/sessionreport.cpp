#include "files/sessionreport.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>

namespace {

// Device units per millimetre: the writer runs at 300 dpi, fonts are given in points.
constexpr int Dpi = 300;
constexpr double PerMm = Dpi / 25.4;
constexpr double MarginMm = 15;

const QColor Blue(0, 0, 255);
const QColor Rule(160, 160, 160);
const QColor HeadingFill(230, 230, 230);

QFont reportFont(double points, bool bold = false) {
    QFont f(QStringLiteral("Noto Sans CJK JP"));
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

// Writes the pages top to bottom; y is the next free line in device units.
class PageWriter {
public:
    PageWriter(QPainter& p, const QRectF& page) : painter(p), area(page), y(page.top()) {}

    void text(const QString& s, const QFont& font, double gapAfterMm = 1) {
        painter.setFont(font);
        const QFontMetricsF m(font, painter.device());
        painter.setPen(Qt::black);
        painter.drawText(QRectF(area.left(), y, area.width(), m.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, s);
        y += m.height() + gapAfterMm * PerMm;
    }

    // A ruled table: a heading row, then rows; cells marked best are filled blue, white text.
    void table(const QStringList& headings, const QList<QStringList>& rows,
               const QList<QList<bool>>& best, const QList<double>& widthsMm, double points,
               double left, double rowHeight) {
        const QFont plain = reportFont(points);
        const QFont bold = reportFont(points, true);
        auto row = [&](const QStringList& cells, const QList<bool>* marks, bool heading) {
            double x = left;
            for (int c = 0; c < widthsMm.size(); ++c) {
                const QRectF cell(x, y, widthsMm[c] * PerMm, rowHeight);
                const bool marked = marks && c < marks->size() && marks->at(c);
                if (heading || marked)
                    painter.fillRect(cell, heading ? HeadingFill : Blue);
                painter.setPen(QPen(Rule, 0));
                painter.drawRect(cell);
                painter.setPen(marked ? Qt::white : Qt::black);
                painter.setFont(heading ? bold : plain);
                const Qt::Alignment align =
                    widthsMm.size() == 2 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter;
                painter.drawText(cell.adjusted(0.8 * PerMm, 0, -0.8 * PerMm, 0), align,
                                 c < cells.size() ? cells[c] : QString());
                x += cell.width();
            }
            y += rowHeight;
        };
        row(headings, nullptr, true);
        for (int r = 0; r < rows.size(); ++r)
            row(rows[r], r < best.size() ? &best[r] : nullptr, false);
    }

    QPainter& painter;
    QRectF area;
    double y;
};

void firstPage(PageWriter& w, const SessionReport& r, const ChartPainter& drawChart) {
    w.text(QStringLiteral("KODA Monitor セッションサマリ"), reportFont(16, true), 3);
    const QFont info = reportFont(10);
    w.text(
        QStringLiteral("作成日時：%1").arg(r.created.toString(QStringLiteral("yyyy/MM/dd hh:mm"))),
        info);
    w.text(QStringLiteral("データ：%1").arg(r.source), info);
    w.text(QStringLiteral("コース全長：%1 km").arg(r.courseLength), info);
    w.text(QStringLiteral("ラップ数：%1").arg(r.laps), info, 4);

    QList<QStringList> rows;
    for (const AnalysisFigure& f : r.figures)
        rows << QStringList{f.caption, f.value};
    const double rowHeight = QFontMetricsF(reportFont(9), w.painter.device()).height() * 1.35;
    w.table({QStringLiteral("項目"), QStringLiteral("値")}, rows, {}, {75, 75}, 9, w.area.left(),
            rowHeight);
    w.y += 5 * PerMm;

    if (!drawChart)
        return;
    w.text(QStringLiteral("ラップチャート"), reportFont(11, true), 1.5);
    const double height = std::max(0.0, std::min(w.area.bottom() - w.y, 115 * PerMm));
    const QRectF target(w.area.left(), w.y, w.area.width(), height);
    w.painter.save();
    drawChart(w.painter, target);
    w.painter.restore();
    w.y += height;
}

void secondPage(PageWriter& w, const DeltaTable& t) {
    w.text(QStringLiteral("ラップ別タイム差（秒、★ はその列のベスト）"), reportFont(12, true), 3);
    // The widths of the time column and of every other column, in ems of the font.
    QList<double> ems{3.6, 5.2, 4.8, 4.8};
    for (qsizetype c = ems.size(); c < t.headings.size(); ++c)
        ems << 5.6;
    double totalEms = 0;
    for (double e : ems)
        totalEms += e;

    // The largest font from 9 pt down at which the rows fit on the page, in as many blocks
    // side by side (up to four) as give the largest font: a long session still takes one page.
    const double usable = w.area.bottom() - w.y;
    const int rowCount = int(t.cells.size());
    auto fits = [&](int blocks, double pt) {
        const double rowHeight = QFontMetricsF(reportFont(pt), w.painter.device()).height() * 1.15;
        const int perBlock = (rowCount + blocks - 1) / blocks + 1; // and the heading row
        const double blockWidth = totalEms * pt / 72 * Dpi;
        return perBlock * rowHeight <= usable &&
               blocks * blockWidth + (blocks - 1) * 3 * PerMm <= w.area.width();
    };
    auto largestFitting = [&](int blocks) {
        for (double pt = 9; pt >= 3; pt -= 0.25) {
            if (fits(blocks, pt))
                return pt;
        }
        return 0.0;
    };
    int blocks = 1;
    double points = largestFitting(1);
    for (int b = 2; b <= 4; ++b) {
        const double pt = largestFitting(b);
        if (pt > points) {
            blocks = b;
            points = pt;
        }
    }
    if (points == 0)
        points = 3; // more laps than the page holds legibly: drawn at the smallest size

    QList<double> widthsMm;
    for (double e : ems)
        widthsMm << e * points / 72 * 25.4;
    const double rowHeight = QFontMetricsF(reportFont(points), w.painter.device()).height() * 1.15;
    const int perBlock = (rowCount + blocks - 1) / blocks;
    const double top = w.y;
    double left = w.area.left();
    for (int b = 0; b < blocks; ++b) {
        w.y = top;
        const int first = b * perBlock;
        const int count = std::max(0, std::min(perBlock, rowCount - first));
        w.table(t.headings, t.cells.mid(first, count), t.best.mid(first, count), widthsMm, points,
                left, rowHeight);
        left += totalEms * points / 72 * Dpi + 3 * PerMm;
    }
}

} // namespace

namespace {

const QPageLayout reportLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                               QMarginsF(MarginMm, MarginMm, MarginMm, MarginMm),
                               QPageLayout::Millimeter);

// Page n (0 or 1) into page, the printable area in device units.
void paintPage(QPainter& painter, const QRectF& page, int n, const SessionReport& report,
               const ChartPainter& drawChart) {
    PageWriter w(painter, page);
    if (n == 0)
        firstPage(w, report, drawChart);
    else
        secondPage(w, report.deltas);
}

} // namespace

QByteArray sessionReportPdf(const SessionReport& report, const ChartPainter& drawChart) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(Dpi);
        writer.setPageLayout(reportLayout);
        writer.setTitle(QStringLiteral("KODA Monitor セッションサマリ"));
        writer.setCreator(QStringLiteral("KODA Monitor"));
        QPainter painter(&writer);
        const QRectF page(QPointF(0, 0), QSizeF(writer.width(), writer.height()));
        paintPage(painter, page, 0, report, drawChart);
        writer.newPage();
        paintPage(painter, page, 1, report, drawChart);
    }
    return bytes;
}

QList<QImage> sessionReportPages(const SessionReport& report, const ChartPainter& drawChart) {
    const QRect full = reportLayout.fullRectPixels(Dpi);
    const QRect paint = reportLayout.paintRectPixels(Dpi);
    QList<QImage> pages;
    for (int n = 0; n < 2; ++n) {
        QImage image(full.size(), QImage::Format_RGB32);
        image.setDotsPerMeterX(int(std::lround(Dpi / 0.0254)));
        image.setDotsPerMeterY(int(std::lround(Dpi / 0.0254)));
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setRenderHint(QPainter::TextAntialiasing);
            painter.translate(paint.topLeft());
            paintPage(painter, QRectF(QPointF(0, 0), QSizeF(paint.size())), n, report, drawChart);
        }
        pages << image;
    }
    return pages;
}

QString sessionReportDefaultFileName(const QDateTime& created) {
    const QDate d = created.date();
    const QTime t = created.time();
    return QString::asprintf("KODA_Session_%04d_%02d%02d_%02d_%02d_%02d.pdf", d.year(), d.month(),
                             d.day(), t.hour(), t.minute(), t.second());
}
