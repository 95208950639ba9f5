#include "data/alarm_profile_file.h"

#include "base/profile_file.h"
#include "data/reading_line.h"
#include "data/temperature_text.h"

namespace readings {
namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> Words(std::string_view s) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
        const std::size_t start = i;
        while (i < s.size() && s[i] != ' ' && s[i] != '\t') ++i;
        if (i > start) words.push_back(s.substr(start, i - start));
    }
    return words;
}

bool IsProfileSection(std::string_view section, std::string& name) {
    if (SameProfileName(Trim(section), Trim(kProfileSectionPrefix))) {
        name.clear();
        return true;
    }
    if (section.size() < kProfileSectionPrefix.size()) return false;
    if (!SameProfileName(section.substr(0, kProfileSectionPrefix.size()), kProfileSectionPrefix)) return false;
    name.assign(Trim(section.substr(kProfileSectionPrefix.size())));
    return true;
}

// One profile section: its rules, or the first fault found.
std::optional<TAlarmProfile> ReadProfile(const TProfileFile& file, const std::string& section, std::string name,
                                         TProfileError& error) {
    std::size_t header = 0;
    const std::vector<TProfileLine> lines = file.ReadSection(section, &header);
    TAlarmProfile profile{std::move(name), {}};
    if (profile.Name.empty()) {
        error = {header, TProfileProblem::NoName, section};
        return std::nullopt;
    }
    if (FindBuiltInProfile(profile.Name) || SameProfileName(profile.Name, kLimitsProfileName)) {
        error = {header, TProfileProblem::ReservedName, profile.Name};
        return std::nullopt;
    }
    for (const TProfileLine& line : lines) {
        if (!line.IsEntry) {
            error = {line.Number, TProfileProblem::NotARule, line.Text};
            return std::nullopt;
        }
        std::optional<TAlarmRule> rule = ParseAlarmRule(line.Value, error);
        if (!rule) {
            error.Line = line.Number;
            return std::nullopt;
        }
        profile.Rules.push_back(std::move(*rule));
    }
    if (profile.Rules.empty()) {
        error = {header, TProfileProblem::NoRules, profile.Name};
        return std::nullopt;
    }
    return profile;
}

}  // namespace

std::optional<TAlarmRule> ParseAlarmRule(std::string_view value, TProfileError& error) {
    const auto fail = [&](TProfileProblem problem, std::string_view text) {
        error = {0, problem, std::string(text)};
        return std::nullopt;
    };
    TAlarmRule rule;
    const std::size_t bar = value.find('|');
    if (bar != std::string_view::npos) rule.Label.assign(Trim(value.substr(bar + 1)));
    const std::vector<std::string_view> w = Words(value.substr(0, bar));
    const auto word = [&](std::size_t i) { return i < w.size() ? w[i] : std::string_view(); };

    const auto channels = ChannelsOfWord(word(0));
    if (!channels) return fail(TProfileProblem::BadChannel, word(0));
    rule.Channels = *channels;
    const auto compare = CompareOfWord(word(1));
    if (!compare) return fail(TProfileProblem::BadCompare, word(1));
    rule.Compare = *compare;
    double limit = 0;
    if (!ParseTemperature(word(2), limit)) return fail(TProfileProblem::BadLimit, word(2));
    rule.Limit = limit;
    const auto kind = KindOfWord(word(3));
    if (!kind) return fail(TProfileProblem::BadKind, word(3));
    rule.Kind = *kind;
    std::size_t next = 4;
    if (rule.Kind == TRuleKind::Single) {
        if (ParseDuration(word(4))) return fail(TProfileProblem::UnexpectedDuration, word(4));
    } else {
        const auto duration = ParseDuration(word(4));
        if (!duration) return fail(TProfileProblem::BadDuration, word(4));
        rule.DurationSeconds = *duration;
        next = 5;
    }
    if (next < w.size()) return fail(TProfileProblem::TrailingText, w[next]);
    return rule;
}

std::string AlarmRuleValue(const TAlarmRule& rule) {
    std::string value = std::string(ChannelsWord(rule.Channels)) + " " + std::string(CompareWord(rule.Compare)) + " " +
                        TemperatureText(static_cast<float>(rule.Limit)) + " " + std::string(KindWord(rule.Kind));
    if (rule.Kind != TRuleKind::Single) value += " " + DurationText(rule.DurationSeconds);
    if (!rule.Label.empty()) value += " | " + rule.Label;
    return value;
}

TProfileFileContents ReadProfileFile(const std::string& path) {
    TProfileFileContents contents;
    const TProfileFile file(path);
    std::vector<std::string> seen;
    for (const TProfileSection& section : file.ReadSectionNames()) {
        std::string name;
        if (!IsProfileSection(section.Name, name)) continue;
        TProfileError error;
        bool repeated = false;
        for (const std::string& s : seen) repeated = repeated || SameProfileName(s, name);
        if (repeated) {
            contents.Errors.push_back({section.Line, TProfileProblem::RepeatedName, name});
            continue;
        }
        seen.push_back(name);
        if (auto profile = ReadProfile(file, section.Name, name, error))
            contents.Profiles.push_back(std::move(*profile));
        else
            contents.Errors.push_back(std::move(error));
    }
    return contents;
}

std::optional<TAlarmProfile> ReadSingleProfile(const std::string& path, TProfileError& error) {
    const TProfileFile file(path);
    std::optional<std::string> only;
    std::string onlyName;
    for (const TProfileSection& section : file.ReadSectionNames()) {
        std::string name;
        if (!IsProfileSection(section.Name, name)) continue;
        if (only) {
            error = {section.Line, TProfileProblem::SeveralProfiles, name};
            return std::nullopt;
        }
        only = section.Name;
        onlyName = name;
    }
    if (!only) {
        error = {0, TProfileProblem::NoProfile, ""};
        return std::nullopt;
    }
    return ReadProfile(file, *only, onlyName, error);
}

std::string ProfileErrorText(const std::string& path, const TProfileError& error) {
    const std::string where = path + (error.Line ? ", line " + std::to_string(error.Line) : std::string()) + ": ";
    const std::string& t = error.Text;
    const auto quoted = [&](const char* what) {
        return t.empty() ? where + "the rule lacks " + what : where + "'" + t + "' is not " + what;
    };
    switch (error.Problem) {
        case TProfileProblem::NotARule: return where + "'" + t + "' is not a rule (key = rule)";
        case TProfileProblem::BadChannel: return quoted("a channel (1, 2, both)");
        case TProfileProblem::BadCompare: return quoted("a comparison (>, >=, <, <=)");
        case TProfileProblem::BadLimit: return quoted("a limit in °C");
        case TProfileProblem::BadKind: return quoted("a kind of rule (single, consecutive, cumulative)");
        case TProfileProblem::BadDuration: return quoted("a duration (such as 90s, 30min, 10h, 2d)");
        case TProfileProblem::UnexpectedDuration: return where + "a single rule takes no duration ('" + t + "')";
        case TProfileProblem::TrailingText: return where + "'" + t + "' follows the rule; a label goes after '|'";
        case TProfileProblem::NoRules: return where + "the profile '" + t + "' has no rules";
        case TProfileProblem::NoName: return where + "the profile section has no name";
        case TProfileProblem::ReservedName: return where + "'" + t + "' is the name of a built-in profile";
        case TProfileProblem::RepeatedName: return where + "the profile '" + t + "' is defined twice";
        case TProfileProblem::NoProfile: return where + "no profile section ([Profil <name>])";
        case TProfileProblem::SeveralProfiles:
            return where + "more than one profile section; name the profile instead";
    }
    return where;
}

}  // namespace readings
