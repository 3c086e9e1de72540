// The command line, parsed by CLI11. Every option's help says what happens without it.
#include "options.h"

#include <CLI/CLI.hpp>

#include <map>

namespace {

#ifdef _WIN32
const char kMediumHelp[] = "the medium's directory (default: the one medium-check.exe is in)";
const char kInstalledHelp[] =
    "the installed version's text (default: what this machine's registry records)";
#else
const char kMediumHelp[] =
    "the medium's directory, or its disc image (ISO 9660, Joliet, UDF) read as Windows mounts it";
const char kInstalledHelp[] = "the installed version's text (default: nothing installed)";
#endif

// --format FORMAT, shown as its choices and taking them in any case.
void AddFormat(CLI::App *app, Format *format, const char *help) {
    const std::map<std::string, Format> formats = {
        {"text", Format::Text}, {"json", Format::Json}, {"sarif", Format::Sarif}};
    app->add_option("--format", *format, help)
        ->transform(CLI::CheckedTransformer(formats, CLI::ignore_case).description(""))
        ->type_name("{text,json,sarif}");
}

} // namespace

int ParseOptions(int argc, char **argv, Options *options) {
    CLI::App app{"Tells what the loader will do with a medium, and why.", "medium-check"};
    CLI::Option *medium = app.add_option("medium", options->medium, kMediumHelp);
    CLI::Option *list = app.add_flag(
        "--list-findings", options->listFindings,
        "list every finding's code, severity, title and help, and end (with --format json: "
        "every column of the rules' table)");
    list->excludes(medium);
    CLI::Option *installed = app.add_option("--installed", options->installed, kInstalledHelp);
    CLI::Option *notInstalled = app.add_flag(
        "--not-installed", options->notInstalled,
        "predict for a machine where nothing is installed (default: as --installed says)");
    installed->excludes(notInstalled);
    app.add_option("--records", options->records,
                   "what the package records when it has run, to predict the next start "
                   "(default: what an MSI package's Registry table records; none for a program)");
#ifdef _WIN32
    app.add_option("--view", options->view,
                   "the registry view the loader reads: 32 (default, the shipped loader) or 64")
        ->check(CLI::IsMember({32, 64}));
#endif
    AddFormat(&app, &options->format, "the report's form (default: text)");
    app.add_flag_callback(
        "--json", [options] { options->format = Format::Json; }, "the same as --format json");
    app.add_flag("--strict", options->strict,
                 "warnings make the exit status 1, as errors do (default: only errors)");
    CLI::App *init = app.add_subcommand(
        "init", "lay out a medium in DIR from a package and the loader, check it, and keep it "
                "only when the check finds no error");
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
    AddFormat(init, &options->format, "the check's report form (default: text)");
    init->add_flag_callback(
        "--json", [options] { options->format = Format::Json; }, "the same as --format json");
    init->add_flag("--strict", options->strict,
                   "warnings count as errors, as in a check (default: only errors)");
    app.failure_message([](const CLI::App *, const CLI::Error &error) {
        return std::string("medium-check: ") + error.what() + "\nRun with --help for more.\n";
    });
    try {
        app.parse(argc, argv);
        options->init = init->parsed();
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
