// The command line, parsed by CLI11. Every option's help says what happens without it. The options
// of the report and the exit status are the command's and init's alike.
#include "options.h"
#include "build.h"
#include "errors.h"

#include <CLI/CLI.hpp>

#include <iterator>
#include <map>
#include <vector>

namespace {

// The Windows the prediction is for, where it is not the one the check runs on.
void AddMachine(CLI::App *app, Machine *machine) {
    app->add_option("--bits", machine->bits,
                    "the Windows the prediction is for: 64-bit (default) or "
                    "32-bit")
        ->check(CLI::IsMember({32, 64}));
    const std::vector<unsigned int> codePages(std::begin(kAnsiCodePages), std::end(kAnsiCodePages));
    app->add_option("--code-page", machine->codePage,
                    "its ANSI code page, one of Windows' (default: 1252, Western)")
        ->check(CLI::IsMember(codePages));
    app->add_option("--temp", machine->tempDirectory,
                    std::string("its temporary directory (default: ") + kTypicalTempDirectory +
                        ", a user name of 20 characters)")
        ->type_name("PATH");
}

} // namespace

int ParseOptions(int argc, char **argv, Options *options) {
    CLI::App app{"Tells what the loader will do with a medium, and why.", kProgramName};
    CLI::Option *medium = app.add_option("medium", options->medium, kBuild.mediumHelp);
    CLI::Option *list = app.add_flag(
        "--list-findings", options->listFindings,
        "list every finding's code, severity, title and help, and end (with --format json: "
        "every column of the rules' table; with --format markdown: the publisher's guide's "
        "table)");
    list->excludes(medium);
    std::optional<std::string> installed;
    bool notInstalled = false;
    CLI::Option *given = app.add_option("--installed", installed, kBuild.installedHelp);
    app.add_flag("--not-installed", notInstalled,
                 "predict for a machine where nothing is installed (default: as --installed says)")
        ->excludes(given);
    app.add_option("--records", options->records,
                   "what the package records when it has run, to predict the next start "
                   "(default: what an MSI package's Registry table records; none for a program)");
    if (kBuild.describedMachine) {
        AddMachine(&app, &options->machine);
    }
    if (kBuild.registryViews) {
        app.add_option("--view", options->view,
                       "the registry view the loader reads: 32 (default, the shipped loader) or 64")
            ->check(CLI::IsMember({32, 64}));
    }
    const std::map<std::string, Format> formats = {{"text", Format::Text},
                                                   {"json", Format::Json},
                                                   {"sarif", Format::Sarif},
                                                   {"markdown", Format::Markdown}};
    app.add_option("--format", options->format, "the report's form (default: text)")
        ->transform(CLI::CheckedTransformer(formats, CLI::ignore_case).description(""))
        ->type_name("{text,json,sarif,markdown}");
    app.add_flag_callback(
        "--json", [options] { options->format = Format::Json; }, "the same as --format json");
    app.add_flag("--strict", options->strict,
                 "warnings make the exit status 1, as errors do (default: only errors)");
    CLI::App *init = app.add_subcommand(
        "init", "lay out a medium in DIR from a package and the loader, check it, and keep it "
                "only when the check finds no error; --format, --json and --strict are the "
                "check's");
    init->fallthrough();
    init->add_option("dir", options->medium, "the medium's directory, made when missing")
        ->required();
    init->add_option("--package", options->package, "the runtime package (.msi or .exe)")
        ->required();
    init->add_option("--loader", options->loader,
                     "the loader to copy (default: loader.exe beside medium-check)");
    init->add_option("--reg-path", options->regPath,
                     "RegPath (default: from the MSI's Registry row; required for an .exe)");
    init->add_option("--version", options->version,
                     "Version (default: the value the MSI records; required for an .exe)");
    init->add_flag("--force", options->force,
                   "overwrite an autorun.inf already in DIR (default: refuse)");
    init->add_option("--iso", options->iso,
                     "also write the medium as a disc image OUT (Joliet and Rock Ridge names, "
                     "dates from SOURCE_DATE_EPOCH or the package's), checked as an image "
                     "instead of DIR (default: no image)")
        ->type_name("OUT");
    app.failure_message([](const CLI::App *, const CLI::Error &error) {
        return std::string(kProgramName) + ": " + error.what() + "\nRun with --help for more.\n";
    });
    try {
        app.parse(argc, argv);
        options->init = init->parsed();
        if (options->medium.empty() && !options->listFindings && !kBuild.mediumOptional) {
            throw CLI::RequiredError("medium");
        }
        if (options->format == Format::Markdown && !options->listFindings) {
            throw CLI::ValidationError("--format", "markdown is the form of --list-findings");
        }
    } catch (const CLI::CallForHelp &help) {
        app.exit(help);
        return kExitWorks;
    } catch (const CLI::ParseError &error) {
        app.exit(error);
        return kExitUsage;
    }
    if (installed || notInstalled) {
        options->installed = InstalledGiven{installed};
    }
    return -1;
}
