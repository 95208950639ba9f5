// TForm1: the logger's buttons, fields and clock.
#include "app/main_window.h"

// Searches the virtual COM ports for a logger and shows its model, clock and battery.
void TForm1::btConnectClick() {}

// Reads the logger's clock, recording settings and battery and proposes the read range.
void TForm1::btReadCfgClick() {}

// Sets the logger's clock to now and writes the recording start, stop and interval.
void TForm1::btWriteCfgClick() {}

// Erases the logger's memory after a Yes/No confirmation.
void TForm1::btNewClick() {}

// Takes the interval typed into mePeriod when the focus leaves it.
void TForm1::mePeriodExit() {}

// Advances the displayed logger clock by one second.
void TForm1::Timer2Timer() {}

// Works out the first and end reading index of the read range into Edit1 and Edit2.
void TForm1::Button1Click() {}

// Starts the download of the read range, or stops a running one.
void TForm1::sbReadClick() {}
