// TForm1: the chart in the left pane, its menu items, its context menu and printing.
#include <QPrinter>

#include "app/main_window.h"
#include "base/profile_file.h"

void TForm1::SetupChart() {
    Chart->SetMenuItems(mnDots, mnTemp, mnHum);
    Chart->PopupMenu = PopupMenu2;
    // The print dialog goes through the window's dialog seam like every other dialog, so tests can
    // answer it; the printer lives only as long as the print.
    Chart->PrintDialog = [this](QWidget*) -> std::unique_ptr<QPrinter> {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        if (!Dialogs().ChoosePrinter(this, *printer)) return nullptr;
        return printer;
    };
}

// Shows or hides the point markers of both series as "Punkty" is ticked.
void TForm1::mnDotsClick() { Chart->mnDotsClick(); }

// Shows or hides the series "Temperatura_1" as its menu item is ticked.
void TForm1::mnTempClick() { Chart->mnTempClick(); }

// Shows or hides the series "Temperatura_2" as its menu item is ticked.
void TForm1::mnHumClick() { Chart->mnHumClick(); }

// Prints the chart on one page with its three-line header, after the print dialog. A failed print
// raises EChartPrintError, which ends here in the error report.
void TForm1::Drukuj1Click() { Chart->Drukuj1Click(); }

// Applies the point-marker setting of "Punkty" to both series again.
void TForm1::RefreshMarkers() { Chart->RefreshMarkers(); }

void TForm1::Limity1Click() {
    // The chart first: an unwritable settings file is reported, but the limits still show.
    RefreshLimits();
    TProfileFile settings(SettingsFile());
    const int checked = Limity1->isChecked() ? 1 : 0;
    if (settings.ReadInteger(ChartSection, LimitsKey, 0) != checked)
        settings.WriteInteger(ChartSection, LimitsKey, checked);
}
