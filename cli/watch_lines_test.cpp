// The watch's lines: the JSON of an event holds typed values a script can use as they are, and the
// text of a shortfall names what did not come.
#include "cli/watch_lines.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace cli {
namespace {

const LoggerFormat kFormat;

TReadingsDownloaded CutDownload() {
    TReadingsDownloaded e;
    e.Port = "pts/3";
    e.Model = "KX-15-1";
    e.Wanted = 200;
    e.Report.First = 0;
    e.Report.End = 199;
    e.Report.Next = 48;
    e.Report.ReadingsStored = 48;
    e.Report.Ending = TDownloadEnd::PortFailure;
    e.Report.PortErrorText = "Input/output error";
    e.RecordingId = 1;
    e.Expected = 200;
    e.Held = 48;
    return e;
}

TEST(WatchLines, DownloadJsonHasTypedValues) {
    const auto j = nlohmann::ordered_json::parse(WatchEventJson(CutDownload(), kFormat.TextToDateTime("2026-12-09 08:00:00")));
    EXPECT_EQ(j.begin().key(), "event");
    EXPECT_EQ(j["event"], "downloaded");
    EXPECT_EQ(j["at"], "2026-12-09 08:00:00");
    EXPECT_EQ(j["received"], 48);
    EXPECT_EQ(j["wanted"], 200);
    EXPECT_EQ(j["complete"], false);
    EXPECT_EQ(j["ending"], "port_failure");
    EXPECT_EQ(j["held"], 48);
    EXPECT_EQ(j["recording"], 1);
}

TEST(WatchLines, ShortfallTextNamesWhatDidNotCome) {
    EXPECT_EQ(WatchEventWords(CutDownload()),
              "downloaded 48 of 200 readings wanted from KX-15-1 on pts/3 (readings 0 to 199), incomplete: the port "
              "failed (Input/output error), readings 48 to 199 not received; the archive holds 48 of 200 (recording 1)");
}

TEST(WatchLines, AReadingWithADamagedChannel) {
    const TReadingTaken e{"pts/3", "KX-05", 7, "2026-12-09 08:00:14   21.25     Err"};
    const auto j = nlohmann::json::parse(WatchEventJson(e, 46000));
    EXPECT_EQ(j["index"], 7);
    EXPECT_EQ(j["time"], "2026-12-09 08:00:14");
    EXPECT_EQ(j["t1"], 21.25);
    EXPECT_TRUE(j["t2"].is_null());
    EXPECT_EQ(WatchEventWords(e), "reading 7 of KX-05 on pts/3: 2026-12-09 08:00:14 21.25 --- °C");
}

}  // namespace
}  // namespace cli
