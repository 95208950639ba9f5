#pragma once
// What the logger protocol needs of the program around it: the window, the command-line tool
// and tests each implement this with their own means (widgets, streams, containers). The session
// hands over values; turning them into texts is the host's affair.
#include <string>
#include <vector>

#include "logger/download_report.h"
#include "logger/probe_result.h"
#include "logger/stored_reading.h"

class TLoggerHost {
  public:
    virtual ~TLoggerHost() = default;

    // Appends one line to the communication log: "command<TAB>answer" for a query, the command
    // alone for a posted one. Bytes as sent and received (code page 1250), without a line end.
    virtual void AppendCommLog(const std::string& line) = 0;
    // Lets pending window events run (the download calls it between lines and chunks).
    virtual void ProcessEvents() = 0;
    // Whether a running download is still wanted (false once the user stopped it).
    virtual bool DownloadWanted() = 0;
    // A reading the download keeps, in index order: bytes as received (code page 1250) without
    // the line feed.
    virtual void ReadingStored(const std::string& line) = 0;

    // The search is about to probe this port.
    virtual void ProbeStarting(const std::string& /*portName*/) {}
    // A probe found no logger; the search goes on with the next port.
    virtual void ProbeFailed(const TProbeResult&) {}
    // A chunk of the download has ended (not after a port failure).
    virtual void ChunkDone(const TDownloadProgress&) {}
    // The readings the last chunk stored, in the order ReadingStored had them, with their indices
    // and states. Called after every chunk that stored any (before ChunkDone), also the last one
    // of a download that a port failure or the user ended.
    virtual void ChunkStored(const std::vector<TStoredReading>& /*readings*/) {}
};
