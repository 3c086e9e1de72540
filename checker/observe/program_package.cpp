// A program read through the bounded image reader and this build's version reader.
#include "program_package.h"
#include "program_image.h"
#include "program_version.h"

#include <optional>

namespace {

struct Machine {
    int type; // the COFF header's machine type
    const char *platform;
    int bits;
};

// The machine types a runtime's installer is built for, and the Windows they run on.
const Machine kMachines[] = {{0x14C, "x86", 32}, {0x8664, "x64", 64}, {0xAA64, "Arm64", 64}};

std::optional<PackageDamage> DamageOf(ProgramState state) {
    switch (state) {
    case ProgramState::Empty:
        return PackageDamage::Empty;
    case ProgramState::Truncated:
        return PackageDamage::Truncated;
    case ProgramState::NoHeaders:
        return PackageDamage::NoHeaders;
    case ProgramState::Program:
        break;
    }
    return std::nullopt;
}

const char kNoFixedVersion[] = "0.0.0.0";

} // namespace

PackageFacts ReadProgramPackage(const std::string &file) {
    ProgramImage program;
    std::string resource;
    ReadProgramImage(file, &program, &resource);
    if (program.state == ProgramState::Program) {
        ReadProgramVersion(file, resource, &program);
    }
    PackageFacts facts;
    facts.damage = DamageOf(program.state);
    for (const Machine &machine : kMachines) {
        if (machine.type == program.machine) {
            facts.platform = machine.platform;
            facts.bits = machine.bits;
        }
    }
    // An installer's product version is the runtime's; its file version is the installer's own
    // build, which an installer system numbers as it likes. A product version of 0.0.0.0 is none.
    if (program.hasVersion) {
        facts.version =
            program.fixedProductVersion != kNoFixedVersion
                ? PackageVersion{program.fixedProductVersion, VersionSource::FixedProductVersion}
                : PackageVersion{program.fixedFileVersion, VersionSource::FixedFileVersion};
    }
    facts.stored = {{"state", NameOf(program.state)},
                    {"machine", program.machine},
                    {"hasVersion", program.hasVersion},
                    {"fixedFileVersion", program.fixedFileVersion},
                    {"fixedProductVersion", program.fixedProductVersion},
                    {"fileVersion", program.fileVersion},
                    {"productVersion", program.productVersion},
                    {"executionLevel", program.executionLevel}};
    return facts;
}
