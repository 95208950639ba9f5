#pragma once
// The report's words in Polish and in English. %1, %2 are filled in with QString::arg.
#include <QString>

namespace report {

struct TReportWords {
    QString Title, Made, Page, Of;
    QString Complete, Incomplete, MissingIn, DamagedN, OffTimeN, AndMore;
    QString SourceHeading, Recording, Model, Start, Stop, Interval, Downloads, When, Computer, Port, ClockDiff,
        Battery, Interrupted, File, FileDigest, Zone, Range, None, Unknown;
    QString CompletenessHeading, Expected, Present, Rerequested, Damaged, OffTime, NotReceived, GapCount;
    QString ChartHeading;
    QString StatisticsHeading, Channel1, Channel2, Count, Minimum, Maximum, Mean, StdDev, Mkt, RollingMkt, From,
        Shorter;
    QString RulesHeading, Rule, ChannelShort, Triggered, Beyond, Excursions, Yes, No, ExcursionList, RuleNo,
        StartCol, EndCol, DurationCol, Peak, NoneListed;
    QString GapsHeading, GapsList, MissingN, OutOfOrderList, LineN, After, RepeatedList, TimesN;
    QString IntegrityHeading, DataDigest, Verify, Intact, Findings, Head;
    QString SignaturesHeading, Prepared, Checked, Approved, Name, Date, Signature;
};

const TReportWords& ReportWords(bool english);

}  // namespace report
