// TForm1: the data panel, the communication panel and their files.
#include "app/main_window.h"

// Saves the data panel to a file chosen in SaveDialog1.
void TForm1::Zapiszjako1Click() {}

// Saves the data panel to a file chosen in SaveDialog1 (context menu of the data panel and chart).
void TForm1::Zapisz2Click() {}

// Saves the communication panel to a file chosen in SaveDialog1.
void TForm1::Zapisz1Click() {}

// Clears the data, loads a file chosen in OpenDialog1 into the data panel and parses it.
void TForm1::Wczytajzpliku1Click() {}

// Empties the communication panel.
void TForm1::Kasuj1Click() {}

// Clears the data panel and both series and hides the chart.
void TForm1::Wyczy1Click() {}

// Shows or hides the data panel on the tab "Dane" as "Podgląd" is ticked.
void TForm1::Podgld1Click() {}

// Turns the lines of the data panel into the points of both series and shows the chart.
void TForm1::ParseDataLines() {}

// Empties both series and the data panel and hides the chart.
void TForm1::ClearData() {}
