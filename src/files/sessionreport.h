#pragma once
// The session summary as a PDF: the session's date, source, course length and lap count, the
// analysis figures and the lap chart on the first page, the per-lap delta table on the second.
// Written with Qt's own PDF writer; the Japanese font is embedded, so the file reads the same
// on a machine without it.
#include "laps/lapanalysistext.h"

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QString>

#include <functional>

class QPainter;

struct SessionReport {
    QDateTime created;
    QString source;       // the lap file's path, or the lap timer and its port
    QString courseLength; // as the course-length entry holds it, without the unit
    int laps = 0;         // laps with a lap time
    QList<AnalysisFigure> figures;
    DeltaTable deltas;
};

// Draws the lap chart as it is shown into target (device units of the painter).
using ChartPainter = std::function<void(QPainter& painter, const QRectF& target)>;

// The two pages of the summary as PDF bytes. drawChart may be empty (no chart drawn).
QByteArray sessionReportPdf(const SessionReport& report, const ChartPainter& drawChart);

// The same two pages drawn into pictures at the PDF's resolution (300 dpi), for a look at the
// layout where no PDF viewer is at hand.
QList<QImage> sessionReportPages(const SessionReport& report, const ChartPainter& drawChart);

inline const QString sessionReportDialogFilter = QStringLiteral("PDF files (*.pdf)");
inline const QString sessionReportDefaultSuffix = QStringLiteral("pdf");

// "KODA_Session_%04d_%02d%02d_%02d_%02d_%02d.pdf" of the moment the summary is made.
QString sessionReportDefaultFileName(const QDateTime& created);
