#include "archive/verify_result.h"

namespace archive {

std::string FindingName(TFindingKind kind) {
    switch (kind) {
        case TFindingKind::ReadingAltered: return "reading altered";
        case TFindingKind::ReadingMissing: return "reading missing";
        case TFindingKind::ReadingInserted: return "reading inserted";
        case TFindingKind::EventAltered: return "event altered";
        case TFindingKind::EventMissing: return "event missing";
        case TFindingKind::EventInserted: return "event inserted";
        case TFindingKind::ChunkAltered: return "chunk altered";
        case TFindingKind::RecordingAltered: return "recording altered";
        case TFindingKind::DownloadAltered: return "download altered";
    }
    return "";
}

}  // namespace archive
