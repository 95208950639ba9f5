// TForm1: the chart's menu items and the markers.
#include "app/main_window.h"

// Shows or hides the point markers of both series as "Punkty" is ticked.
void TForm1::mnDotsClick() {}

// Shows or hides the series "Temperatura_1" as its menu item is ticked.
void TForm1::mnTempClick() {}

// Shows or hides the series "Temperatura_2" as its menu item is ticked.
void TForm1::mnHumClick() {}

// Prints the chart on one page with its three-line header, after the print dialog.
void TForm1::Drukuj1Click() {}

// Applies the point-marker setting of "Punkty" to both series again.
void TForm1::RefreshMarkers() {}
