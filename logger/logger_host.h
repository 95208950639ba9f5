#pragma once
// What the logger protocol needs of the program around it: the window, the command-line tool
// and tests each implement this with their own means (widgets, streams, containers).
#include <string>

class TLoggerHost {
  public:
    virtual ~TLoggerHost() = default;

    // Appends one line to the communication log. `line` is bytes as sent and received
    // (code page 1250), without a line end.
    virtual void AppendCommLog(const std::string& line) = 0;
    // Sets the one text of the status line (UTF-8).
    virtual void SetStatusText(const std::string& utf8) = 0;
    // Appends one reading line to the data panel (bytes, code page 1250, without a line end).
    virtual void AppendDataLine(const std::string& line) = 0;
    // Lets pending window events run (the download calls it between lines and chunks).
    virtual void ProcessEvents() = 0;
    // Whether a running download is still wanted (false once the user stopped it).
    virtual bool DownloadWanted() = 0;

    // The displayed fields of the logger's state. In the window: Model eDev, Voltage eVBat,
    // Clock meDT, Start meStart, Stop meStop, Interval mePeriod, ReadStart meRdStart,
    // ReadStop meRdStop.
    enum class Field { Model, Voltage, Clock, Start, Stop, Interval, ReadStart, ReadStop };
    // Shows `text` in one field. The text is bytes (ASCII in practice; code page 1250), already
    // formatted for display: a logger time text, a time text, "4012 mV", a model name, or an
    // answer exactly as received.
    virtual void ShowField(Field, const std::string&) {}
    // The displayed logger clock starts ticking once a second and keeps ticking for the rest of
    // the run (the first recording-start answer of a full settings read switches it on).
    virtual void StartClockTimer() {}
    // Applies the chart's point-marker settings again (after each probe without success and after
    // a successful search).
    virtual void RefreshMarkers() {}
};
