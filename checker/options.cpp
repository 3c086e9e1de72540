// The command line, parsed by CLI11.
#include "options.h"

#include <CLI/CLI.hpp>

namespace {

#ifdef _WIN32
const char kMediumHelp[] = "the medium's directory (default: the one medium-check.exe is in)";
const char kInstalledHelp[] = "the installed version's text, instead of this machine's registry";
#else
const char kMediumHelp[] = "the medium's directory";
const char kInstalledHelp[] = "the installed version's text (default: nothing installed)";
#endif

} // namespace

int ParseOptions(int argc, char **argv, Options *options) {
    CLI::App app{"Tells what the loader will do with a medium, and why.", "medium-check"};
    CLI::Option *medium = app.add_option("medium", options->medium, kMediumHelp);
    CLI::Option *list = app.add_flag("--list-findings", options->listFindings,
                                     "list every finding's code, severity and title, and end");
    list->excludes(medium);
    CLI::Option *installed = app.add_option("--installed", options->installed, kInstalledHelp);
    CLI::Option *notInstalled = app.add_flag("--not-installed", options->notInstalled,
                                             "predict for a machine where nothing is installed");
    installed->excludes(notInstalled);
    app.add_option("--records", options->records,
                   "what the package records when it has run: predicts the next start");
#ifdef _WIN32
    app.add_option("--view", options->view, "the registry view the loader reads: 32 (default), 64")
        ->check(CLI::IsMember({32, 64}));
#endif
    app.add_flag("--json", options->json, "print the report as JSON");
    app.add_flag("--strict", options->strict, "warnings make the exit status 1, as errors do");
    app.failure_message([](const CLI::App *, const CLI::Error &error) {
        return std::string("medium-check: ") + error.what() + "\nRun with --help for more.\n";
    });
    try {
        app.parse(argc, argv);
#ifndef _WIN32
        if (options->medium.empty() && !options->listFindings) {
            throw CLI::RequiredError("medium");
        }
#endif
    } catch (const CLI::CallForHelp &help) {
        app.exit(help);
        return kExitWorks;
    } catch (const CLI::ParseError &error) {
        app.exit(error);
        return kExitUsage;
    }
    return -1;
}
