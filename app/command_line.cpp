// The tool's command line: CLI11 parses it, each subcommand registered by a
// function of its own (tool.h), and the errors and help come out as the
// tool's statuses say.
#include <CLI/CLI.hpp>
#include <string>

#include "darnek/darnek.h"
#include "tool.h"

namespace darnek::tool {
namespace {

const char* const kDescription =
    "darnek: flexible retaining walls (sheet-pile, soldier-pile, drilled-shaft walls, with or\n"
    "without tie-backs) analysed as a beam-column on nonlinear p-y springs.\n"
    "Without arguments, darnek analyses the problem named by NAMES.dat in the current folder,\n"
    "as the front end's call does. `darnek COMMAND --help` tells more of each command.\n";

const char* const kStatuses =
    "exit status: 0 complete, every stage solved,\n"
    "2 a file of the run could not be opened, or an output names an input, another output,\n"
    "a link or a file that is not a regular file (nothing written),\n"
    "3 input rejected (see the report; data errors named in the report included),\n"
    "4 internal error, 5 a file could not be written,\n"
    "6 a stage gave no results (not closed, or values that are not finite; see the report),\n"
    "10 + stop code when the analysis stopped on a fatal soil or pressure condition;\n"
    "7 usage error, 8 a folder or file of the tool's own (--out, pictures, the plot file)\n"
    "cannot be created, read or written, 9 the plot file is not a plot-data file (line named)";

}  // namespace

CommandLine::CommandLine(int argc, char** argv)
    : app_(std::make_unique<CLI::App>(kDescription, "darnek")),
      argc_(argc),
      argv_(argv),
      arguments_(argv + 1, argv + argc) {
  app_->set_version_flag("--version", std::string("darnek ") + Version(), "print the version and exit");
  app_->set_help_flag("-h,--help", "print this help and exit");
  app_->footer(kStatuses);
  // As the tool always took them: an option given twice counts the last time.
  app_->option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app_->get_formatter()->label("Usage", "usage");
  app_->get_formatter()->column_width(34);
}

CommandLine::~CommandLine() = default;

CLI::App& CommandLine::Add(const std::string& name, const std::string& description,
                           std::function<int()> action) {
  CLI::App* command = app_->add_subcommand(name, description);
  command->set_help_flag("-h,--help", "print this help and exit");
  command->callback([this, action = std::move(action)] { chosen_ = action; });
  return *command;
}

int CommandLine::Run() {
  // The problem on stderr with the usage of the command it is about: the
  // command given, or the whole tool's.
  const auto usage_error = [this](const std::string& problem) {
    Err() << "darnek: " << problem << "\n" << app_->help();
    return kUsageError;
  };
  try {
    app_->parse(argc_, argv_);
  } catch (const CLI::CallForHelp&) {
    Out() << app_->help();
    return 0;
  } catch (const CLI::CallForVersion& e) {
    Out() << e.what() << "\n";
    return 0;
  } catch (const CLI::ParseError& e) {
    if (app_->get_subcommands().empty() && !app_->remaining().empty())
      return usage_error("unknown command or option " + app_->remaining().front());
    return usage_error(e.what());
  }
  if (!chosen_) return usage_error("unknown command or option " + arguments_.front());
  try {
    return chosen_();
  } catch (const UsageError& e) {
    return usage_error(e.what());
  }
}

}  // namespace darnek::tool
