// The session summary PDF: the save dialog, the summary of what the window shows, and the
// write through a temporary file, reported as a failed lap-file save is.
#include "app/frmmain.h"
#include "files/filewrite.h"
#include "files/sessionreport.h"
#include "laps/lapanalysisview.h"
#include "laps/lapchartview.h"

#include <QLineEdit>
#include <QPainter>

SessionReport TMainForm::currentSessionReport(const QDateTime& created) const {
    const LapAnalysis analysis = analyseLaps(lapTable, tabAnalysis->cleanLimitPercent(),
                                             feed::markedLaps(eventFeed.shownMarks()));
    SessionReport report;
    report.created = created;
    report.source = !lapFilePath.isEmpty() ? lapFilePath
                                           : QStringLiteral("%1 (COM%2)")
                                                 .arg(QLatin1String(deviceTraits(deviceModel).name))
                                                 .arg(comPort);
    report.courseLength = edtCourseLength->text();
    report.laps = analysis.timedLaps;
    report.figures = analysisFigures(analysis, lapFuel.estimate());
    report.deltas = deltaTable(analysis);
    return report;
}

void TMainForm::drawChartInto(QPainter& painter, const QRectF& target) const {
    // The chart's scene as drawn, without the reset button that sits on the view.
    Chart1->render(&painter, target, Chart1->viewport()->rect());
}

void TMainForm::mnuSessionReportClick() {
    const QDateTime created = QDateTime::currentDateTime();
    const QString path =
        prompts.saveFileName(QString(), sessionReportDefaultFileName(created),
                             sessionReportDialogFilter, sessionReportDefaultSuffix);
    if (path.isEmpty() || refusedAsFuelLog(path))
        return;
    const QByteArray pdf = sessionReportPdf(
        currentSessionReport(created),
        [this](QPainter& painter, const QRectF& target) { drawChartInto(painter, target); });
    QString reason;
    if (!replaceFileWith(path, pdf, reason))
        prompts.message(fileSaveFailedMessage(path, reason), currentCaption(),
                        Prompts::Icon::Error);
    else
        showSavedNotice(path);
}
