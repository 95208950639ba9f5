#include "cli/command_line.h"

#include <algorithm>
#include <optional>

namespace cli {
namespace {

const std::string kProgram = "lorv304d-cli";
// Help rows: the label from column 2, its text from column 21 (on a line of its own under a
// label too long for that).
constexpr std::size_t kLabelIndent = 2;
constexpr std::size_t kTextColumn = 21;

bool IsFlag(const CLI::Option& option) { return option.get_expected_max() == 0; }

// The name messages use: the first long one (the library's own name is empty for an option
// without a help row).
std::string LongName(const CLI::Option& option) {
    if (!option.get_lnames().empty()) return "--" + option.get_lnames().front();
    return option.get_snames().empty() ? option.get_name(true) : "-" + option.get_snames().front();
}

// `text` with each line after the first indented by `indent` spaces.
std::string Indented(const std::string& text, std::size_t indent) {
    std::string out;
    for (const char c : text) {
        out += c;
        if (c == '\n') out.append(indent, ' ');
    }
    return out;
}

std::string Row(const std::string& label, const std::string& text) {
    std::string row(kLabelIndent, ' ');
    row += label;
    if (row.size() < kTextColumn)
        row.append(kTextColumn - row.size(), ' ');
    else
        row += "\n" + std::string(kTextColumn, ' ');
    return row + Indented(text, kTextColumn) + "\n";
}

// "-o, --output FILE": the short names, the long ones, and the type name of a value.
std::string OptionLabel(const CLI::Option& option) {
    std::string label;
    for (const auto* names : {&option.get_snames(), &option.get_lnames()})
        for (const std::string& name : *names)
            label += (label.empty() ? "" : ", ") + std::string(names == &option.get_snames() ? "-" : "--") + name;
    if (!IsFlag(option)) label += " " + option.get_type_name();
    return label;
}

// The help rows of the options declared on `app` itself, in the order of their declaration.
std::string OptionRows(const CLI::App& app) {
    std::vector<std::pair<std::string, std::string>> rows;
    for (const CLI::Option* option : app.get_options()) {
        if (!option->nonpositional() || option->get_group().empty()) continue;
        if (option->get_description().empty() && !rows.empty())
            rows.back().first += ", " + OptionLabel(*option);
        else
            rows.emplace_back(OptionLabel(*option), option->get_description());
    }
    std::string text;
    for (const auto& [label, description] : rows) text += Row(label, description);
    return text;
}

}  // namespace

TCommandLine::TCommandLine(TCommandHelp program)
    : app_(std::make_unique<CLI::App>(program.Brief, kProgram)), programHelp_(std::move(program)) {
    // --help is an option like the others: the usage texts are made here, not by the library.
    app_->set_help_flag();
    // Words the command does not take are collected and named by Parse.
    app_->allow_extras();
    // One command: a later word that names another one is a word the command does not take.
    app_->require_subcommand(0, 1);
    // An option given twice keeps its last value.
    app_->option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

CLI::App& TCommandLine::AddCommand(CLI::App& parent, Command cmd, const std::string& name, TCommandHelp help) {
    CLI::App* app = parent.add_subcommand(name, help.Brief);
    app->fallthrough();
    app->allow_extras();
    app->require_subcommand(0, 1);
    commands_.push_back({cmd, app, std::move(help)});
    return *app;
}

const TCommandLine::TEntry* TCommandLine::EntryOf(const CLI::App* app) const {
    for (const TEntry& entry : commands_)
        if (entry.App == app) return &entry;
    return nullptr;
}

const CLI::Option* TCommandLine::FindOption(const std::string& name) const {
    if (const CLI::Option* option = app_->get_option_no_throw(name)) return option;
    for (const TEntry& entry : commands_)
        if (const CLI::Option* option = entry.App->get_option_no_throw(name)) return option;
    return nullptr;
}

std::string TCommandLine::Name(Command cmd) const {
    for (const TEntry& entry : commands_) {
        if (entry.Cmd != cmd) continue;
        std::string name = entry.App->get_name();
        for (const CLI::App* up = entry.App->get_parent(); up && up != app_.get(); up = up->get_parent())
            name = up->get_name() + " " + name;
        return name;
    }
    return "";
}

// The arguments in the one form the library reads without guessing: the command words first,
// then each option by its long name with its value after "=", then "--" and the other words.
// So an option may come before its command and a value may begin with "-".
std::vector<std::string> TCommandLine::Normalize(const std::vector<std::string>& args, Command& cmd) const {
    std::vector<std::string> words, options, others;
    const CLI::App* current = app_.get();
    // The first fault, with the command given before it (whose usage text goes with it).
    std::optional<EUsageError> fault;
    const auto refuse = [&](const std::string& reason) {
        if (fault) return;
        const TEntry* entry = EntryOf(current);
        fault.emplace(entry ? entry->Cmd : Command::None, reason);
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg[0] != '-') {
            const auto subs = current->get_subcommands([&](const CLI::App* sub) { return sub->check_name(arg); });
            if (!subs.empty()) {
                words.push_back(arg);
                current = subs.front();
            } else if (!current->get_subcommands({}).empty()) {
                refuse("unknown command '" + arg + "'");
            } else {
                others.push_back(arg);
            }
            continue;
        }
        std::string name = arg;
        std::optional<std::string> value;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        const CLI::Option* option = FindOption(name);
        if (!option) {
            refuse("unknown option '" + arg + "'");
            continue;
        }
        name = LongName(*option);
        if (IsFlag(*option)) {
            if (value)
                refuse("option " + name + " takes no value");
            else
                options.push_back(name);
            continue;
        }
        if (!value && i + 1 < args.size()) value = args[++i];
        if (!value || value->empty())
            refuse("option " + name + " needs a value");
        else
            options.push_back(name + "=" + *value);
    }
    if (fault) throw *fault;
    const TEntry* entry = EntryOf(current);
    cmd = entry ? entry->Cmd : Command::None;
    words.insert(words.end(), options.begin(), options.end());
    if (!others.empty()) {
        words.push_back("--");
        words.insert(words.end(), others.begin(), others.end());
    }
    return words;
}

TParsedCommand TCommandLine::Parse(const std::vector<std::string>& args) {
    TParsedCommand parsed;
    std::vector<std::string> normal = Normalize(args, parsed.Cmd);
    std::reverse(normal.begin(), normal.end());  // the order the library reads
    try {
        app_->parse(normal);
    } catch (const EUsageError& e) {
        // Thrown by an option's own conversion, which cannot know the command.
        throw EUsageError(parsed.Cmd, e.what());
    } catch (const CLI::ParseError& e) {
        throw EUsageError(parsed.Cmd, e.what());
    }
    for (const std::string& extra : app_->remaining(true)) {
        if (extra == "--") continue;
        if (extra.rfind("--", 0) == 0)
            parsed.Foreign.push_back(extra.substr(0, extra.find('=')));
        else
            throw EUsageError(parsed.Cmd, "unexpected argument '" + extra + "'");
    }
    return parsed;
}

std::string TCommandLine::Usage(Command cmd) const {
    const TEntry* entry = nullptr;
    for (const TEntry& e : commands_)
        if (e.Cmd == cmd) entry = &e;
    const CLI::App& app = entry ? *entry->App : *app_;
    const TCommandHelp& help = entry ? entry->Help : programHelp_;

    const std::string usage = "Usage: " + kProgram + " " + (entry ? Name(cmd) + " " : "");
    std::string text = usage + Indented(help.Synopsis, usage.size()) + "\n" + help.About;
    if (const auto subs = app.get_subcommands({}); !subs.empty()) {
        text += "\nCommands:\n";
        for (const CLI::App* sub : subs) {
            const TCommandHelp& h = EntryOf(sub)->Help;
            text += Row(h.Summary.empty() ? sub->get_name() + " " + h.Synopsis : h.Summary, h.Brief);
        }
    }
    // A command's epilog comes before the common options, the program's after them.
    if (entry) text += OptionRows(app) + help.Epilog;
    text += "\nCommon options:\n" + OptionRows(*app_);
    if (!entry) text += "\n" + help.Epilog;
    return text;
}

}  // namespace cli
