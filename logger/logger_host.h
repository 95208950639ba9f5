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
};
