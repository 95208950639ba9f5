#pragma once
// The declarations of lorv304d-cli's command line: the program and one subcommand per command,
// each with its options and help texts. The same declarations parse the arguments and make the
// usage texts, so an option is declared once, where its command is.
#include <CLI/CLI.hpp>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli_options.h"

namespace cli {

// The texts of a command's usage that are not its options' own.
struct TCommandHelp {
    // After "Usage: lorv304d-cli <name> "; a line end starts a line indented under the first.
    std::string Synopsis = {};
    // The command's entry in the list of commands; empty: the name and the synopsis.
    std::string Summary = {};
    // The description in that list; a line end starts an indented line.
    std::string Brief = {};
    // The paragraph under the usage line, line ends included.
    std::string About = {};
    // After the option rows (the program's: after the common options), line ends included.
    std::string Epilog = {};
};

// What Parse found: the command and the options given that other commands take.
struct TParsedCommand {
    Command Cmd = Command::None;
    std::vector<std::string> Foreign;  // long names
};

// Options are declared on the CLI::App of their command with a long name, a type name for a
// value ("T", "FILE") and a description whose line ends start indented lines. An option declared
// without a description shares the help row of the one declared before it ("--low C, --high C").
// Options in the group "" get no row (their command's About describes them).
class TCommandLine {
  public:
    // `program` holds the texts of the overview; its options are the common ones.
    explicit TCommandLine(TCommandHelp program);
    TCommandLine(const TCommandLine&) = delete;
    TCommandLine& operator=(const TCommandLine&) = delete;

    CLI::App& Program() { return *app_; }

    // Declares a command under `parent` (the program, or a command that has commands of its own).
    // Options of the program and of the commands above it are taken after the command too.
    CLI::App& AddCommand(CLI::App& parent, Command cmd, const std::string& name, TCommandHelp help);

    // Parses the arguments after the program name into the variables the options were declared
    // with. Options may come before or after their command, as "--name value" or "--name=value";
    // a value may begin with "-". Throws EUsageError for an unknown command or option, an option
    // without its value or a flag with one, and a word the command does not take. Options that
    // another command takes are returned, not refused: --help and --version still show.
    // Parses once: each command line gets its own TCommandLine.
    TParsedCommand Parse(const std::vector<std::string>& args);

    // The command's name as typed ("download"; "archive list" for one under another).
    std::string Name(Command cmd) const;

    // The usage text of a command (None: the program's overview), ending with a line end.
    std::string Usage(Command cmd) const;

  private:
    struct TEntry {
        Command Cmd;
        CLI::App* App;
        TCommandHelp Help;
    };
    std::unique_ptr<CLI::App> app_;
    TCommandHelp programHelp_;
    std::vector<TEntry> commands_;

    const TEntry* EntryOf(const CLI::App* app) const;
    const CLI::Option* FindOption(const std::string& name) const;
    std::vector<std::string> Normalize(const std::vector<std::string>& args, Command& cmd) const;
};

}  // namespace cli
