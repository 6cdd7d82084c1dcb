// Opening the version dialog and the chart properties dialog from the main window.
#include "app/frmmain.h"
#include "windows/frmabout.h"
#include "windows/frmchartsettings.h"

void TMainForm::mnuAboutClick() {
    TAboutForm dialog(this, prompts, webAddress);
    prompts.runDialog(dialog);
}

void TMainForm::mnuChartSettingsClick() {
    ChartViewSettings settings = chartSettings;
    TChartForm dialog(this, prompts, settings);
    if (prompts.runDialog(dialog) == QDialog::Accepted)
        applyChartAppearance(settings);
}
