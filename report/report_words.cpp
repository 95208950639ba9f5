#include "report/report_words.h"

namespace report {
namespace {

TReportWords Polish() {
    TReportWords w;
    w.Title = QStringLiteral("Raport z rejestracji temperatury");
    w.Made = QStringLiteral("sporządzono");
    w.Page = QStringLiteral("Strona");
    w.Of = QStringLiteral("z");
    w.Complete = QStringLiteral("Kompletne: %1 z %2 odczytów");
    w.Incomplete = QStringLiteral("Niekompletne: %1 z %2 odczytów");
    w.MissingIn = QStringLiteral("brak %1: ");
    w.DamagedN = QStringLiteral("uszkodzone: %1");
    w.OffTimeN = QStringLiteral("poza swoim czasem: %1");
    w.AndMore = QStringLiteral("… i jeszcze %1");
    w.SourceHeading = QStringLiteral("2. Źródło danych");
    w.Recording = QStringLiteral("Rejestracja w archiwum");
    w.Model = QStringLiteral("Model rejestratora");
    w.Start = QStringLiteral("Start rejestracji");
    w.Stop = QStringLiteral("Stop rejestracji");
    w.Interval = QStringLiteral("Interwał");
    w.Downloads = QStringLiteral("Odczyty z rejestratora:");
    w.When = QStringLiteral("Kiedy");
    w.Computer = QStringLiteral("Komputer");
    w.Port = QStringLiteral("Port");
    w.ClockDiff = QStringLiteral("Zegar");
    w.Battery = QStringLiteral("Bateria");
    w.Interrupted = QStringLiteral("(przerwany)");
    w.File = QStringLiteral("Plik");
    w.FileDigest = QStringLiteral("SHA-256 pliku");
    w.Zone = QStringLiteral("Strefa czasowa");
    w.Range = QStringLiteral("Zakres");
    w.None = QStringLiteral("brak");
    w.Unknown = QStringLiteral("nieznany");
    w.CompletenessHeading = QStringLiteral("3. Kompletność");
    w.Expected = QStringLiteral("Odczyty oczekiwane w zakresie");
    w.Present = QStringLiteral("Odczyty obecne");
    w.Rerequested = QStringLiteral("Zapytania powtórzone przy odczycie");
    w.Damaged = QStringLiteral("Zachowane uszkodzone");
    w.OffTime = QStringLiteral("Poza swoim czasem");
    w.NotReceived = QStringLiteral("Nieodebrane");
    w.GapCount = QStringLiteral("Przerwy");
    w.ChartHeading = QStringLiteral("4. Wykres");
    w.StatisticsHeading = QStringLiteral("5. Statystyka");
    w.Channel1 = QStringLiteral("Kanał 1");
    w.Channel2 = QStringLiteral("Kanał 2");
    w.Count = QStringLiteral("Liczba odczytów");
    w.Minimum = QStringLiteral("Minimum");
    w.Maximum = QStringLiteral("Maksimum");
    w.Mean = QStringLiteral("Średnia");
    w.StdDev = QStringLiteral("Odchylenie std.");
    w.Mkt = QStringLiteral("MKT");
    w.RollingMkt = QStringLiteral("Najwyższe MKT w oknie %1");
    w.From = QStringLiteral("od");
    w.Shorter = QStringLiteral("(krótsze niż okno)");
    w.RulesHeading = QStringLiteral("Reguły profilu „%1”");
    w.Rule = QStringLiteral("Reguła");
    w.ChannelShort = QStringLiteral("Kanał");
    w.Triggered = QStringLiteral("Wyzwolona");
    w.Beyond = QStringLiteral("Czas poza");
    w.Excursions = QStringLiteral("Przekroczenia");
    w.Yes = QStringLiteral("tak");
    w.No = QStringLiteral("nie");
    w.ExcursionList = QStringLiteral("Przekroczenia:");
    w.RuleNo = QStringLiteral("Reg.");
    w.StartCol = QStringLiteral("Początek");
    w.EndCol = QStringLiteral("Koniec");
    w.DurationCol = QStringLiteral("Czas");
    w.Peak = QStringLiteral("Szczyt");
    w.NoneListed = QStringLiteral("brak");
    w.GapsHeading = QStringLiteral("6. Przerwy, kolejność, powtórzenia");
    w.GapsList = QStringLiteral("Przerwy: %1 (brakujących odczytów: %2)");
    w.MissingN = QStringLiteral("brak %1");
    w.OutOfOrderList = QStringLiteral("Odczyty nie po kolei: %1");
    w.LineN = QStringLiteral("wiersz %1");
    w.After = QStringLiteral("po");
    w.RepeatedList = QStringLiteral("Powtórzone czasy: %1");
    w.TimesN = QStringLiteral("%1 razy");
    w.IntegrityHeading = QStringLiteral("7. Integralność");
    w.DataDigest = QStringLiteral("SHA-256 odczytów (wiersze pliku danych w CP1250, każdy z CR LF, w kolejności "
                                  "indeksów; równe sha256sum eksportu „log” tych odczytów):");
    w.Verify = QStringLiteral("Weryfikacja archiwum");
    w.Intact = QStringLiteral("nienaruszone");
    w.Findings = QStringLiteral("NIEZGODNOŚCI: %1");
    w.Head = QStringLiteral("Głowa łańcucha");
    w.SignaturesHeading = QStringLiteral("8. Podpisy");
    w.Prepared = QStringLiteral("Sporządził");
    w.Checked = QStringLiteral("Sprawdził");
    w.Approved = QStringLiteral("Zatwierdził");
    w.Name = QStringLiteral("imię i nazwisko");
    w.Date = QStringLiteral("data");
    w.Signature = QStringLiteral("podpis");
    return w;
}

TReportWords English() {
    TReportWords w;
    w.Title = QStringLiteral("Temperature recording report");
    w.Made = QStringLiteral("made");
    w.Page = QStringLiteral("Page");
    w.Of = QStringLiteral("of");
    w.Complete = QStringLiteral("Complete: %1 of %2 readings");
    w.Incomplete = QStringLiteral("Incomplete: %1 of %2 readings");
    w.MissingIn = QStringLiteral("%1 missing: ");
    w.DamagedN = QStringLiteral("damaged: %1");
    w.OffTimeN = QStringLiteral("off their time: %1");
    w.AndMore = QStringLiteral("… and %1 more");
    w.SourceHeading = QStringLiteral("2. Source");
    w.Recording = QStringLiteral("Archived recording");
    w.Model = QStringLiteral("Logger model");
    w.Start = QStringLiteral("Recording start");
    w.Stop = QStringLiteral("Recording stop");
    w.Interval = QStringLiteral("Interval");
    w.Downloads = QStringLiteral("Downloads:");
    w.When = QStringLiteral("When");
    w.Computer = QStringLiteral("Computer");
    w.Port = QStringLiteral("Port");
    w.ClockDiff = QStringLiteral("Clock");
    w.Battery = QStringLiteral("Battery");
    w.Interrupted = QStringLiteral("(interrupted)");
    w.File = QStringLiteral("File");
    w.FileDigest = QStringLiteral("SHA-256 of the file");
    w.Zone = QStringLiteral("Time zone");
    w.Range = QStringLiteral("Range");
    w.None = QStringLiteral("none");
    w.Unknown = QStringLiteral("unknown");
    w.CompletenessHeading = QStringLiteral("3. Completeness");
    w.Expected = QStringLiteral("Readings expected in the range");
    w.Present = QStringLiteral("Readings present");
    w.Rerequested = QStringLiteral("Re-requested during download");
    w.Damaged = QStringLiteral("Kept damaged");
    w.OffTime = QStringLiteral("Off their time");
    w.NotReceived = QStringLiteral("Not received");
    w.GapCount = QStringLiteral("Gaps");
    w.ChartHeading = QStringLiteral("4. Chart");
    w.StatisticsHeading = QStringLiteral("5. Statistics");
    w.Channel1 = QStringLiteral("Channel 1");
    w.Channel2 = QStringLiteral("Channel 2");
    w.Count = QStringLiteral("Readings");
    w.Minimum = QStringLiteral("Minimum");
    w.Maximum = QStringLiteral("Maximum");
    w.Mean = QStringLiteral("Mean");
    w.StdDev = QStringLiteral("Std. deviation");
    w.Mkt = QStringLiteral("MKT");
    w.RollingMkt = QStringLiteral("Highest MKT over %1");
    w.From = QStringLiteral("from");
    w.Shorter = QStringLiteral("(shorter than the window)");
    w.RulesHeading = QStringLiteral("Rules of the profile \"%1\"");
    w.Rule = QStringLiteral("Rule");
    w.ChannelShort = QStringLiteral("Channel");
    w.Triggered = QStringLiteral("Triggered");
    w.Beyond = QStringLiteral("Time beyond");
    w.Excursions = QStringLiteral("Excursions");
    w.Yes = QStringLiteral("yes");
    w.No = QStringLiteral("no");
    w.ExcursionList = QStringLiteral("Excursions:");
    w.RuleNo = QStringLiteral("Rule");
    w.StartCol = QStringLiteral("Start");
    w.EndCol = QStringLiteral("End");
    w.DurationCol = QStringLiteral("Duration");
    w.Peak = QStringLiteral("Peak");
    w.NoneListed = QStringLiteral("none");
    w.GapsHeading = QStringLiteral("6. Gaps, order, repeats");
    w.GapsList = QStringLiteral("Gaps: %1 (readings missing: %2)");
    w.MissingN = QStringLiteral("%1 missing");
    w.OutOfOrderList = QStringLiteral("Readings out of order: %1");
    w.LineN = QStringLiteral("line %1");
    w.After = QStringLiteral("after");
    w.RepeatedList = QStringLiteral("Repeated times: %1");
    w.TimesN = QStringLiteral("%1 times");
    w.IntegrityHeading = QStringLiteral("7. Integrity");
    w.DataDigest = QStringLiteral("SHA-256 of the readings (data-file lines in CP1250, each with CR LF, in index "
                                  "order; equal to sha256sum of these readings exported as \"log\"):");
    w.Verify = QStringLiteral("Archive verify");
    w.Intact = QStringLiteral("intact");
    w.Findings = QStringLiteral("FINDINGS: %1");
    w.Head = QStringLiteral("Head of the hash chain");
    w.SignaturesHeading = QStringLiteral("8. Signatures");
    w.Prepared = QStringLiteral("Prepared by");
    w.Checked = QStringLiteral("Checked by");
    w.Approved = QStringLiteral("Approved by");
    w.Name = QStringLiteral("name");
    w.Date = QStringLiteral("date");
    w.Signature = QStringLiteral("signature");
    return w;
}

}  // namespace

const TReportWords& ReportWords(bool english) {
    static const TReportWords polish = Polish(), inEnglish = English();
    return english ? inEnglish : polish;
}

}  // namespace report
