#pragma once
// What a check of the archive's hash chains found.
#include <cstdint>
#include <string>
#include <vector>

namespace archive {

enum class TFindingKind {
    ReadingAltered,   // a reading row whose content does not match its hash
    ReadingMissing,   // a reading row the chain covers that is gone
    ReadingInserted,  // a reading row no chain covers
    EventAltered,
    EventMissing,
    EventInserted,
    ChunkAltered,     // a chunk's own row (its download, range or hash) does not check out
    RecordingAltered,  // a recording's key does not match its hash, or it is gone
    DownloadAltered,   // a download's row does not match its hash
};

struct TFinding {
    TFindingKind Kind = TFindingKind::ReadingAltered;
    std::int64_t Id = 0;  // the row id of the reading, event, chunk or recording
    bool operator==(const TFinding&) const = default;
};

// "reading altered": the kind as the command line and the logs name it.
std::string FindingName(TFindingKind kind);

struct TVerifyResult {
    std::vector<TFinding> Findings;  // in order of kind, then id
    std::int64_t Readings = 0;       // reading rows checked
    std::int64_t Events = 0;         // event rows checked
    std::string ReadingsHeadHex;     // hash of the last chunk (64 hex digits; zeros when none)
    std::string EventsHeadHex;       // hash of the last event
    std::string HeadHex;             // SHA-256 of both heads' bytes: the archive's state in one value

    bool Sound() const { return Findings.empty(); }
};

}  // namespace archive
