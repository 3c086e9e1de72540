// Each switch names every value of its enum, so a new value without a name does not build.
#include "names.h"

const char *NameOf(Severity severity) {
    switch (severity) {
    case Severity::Error:
        return "error";
    case Severity::Warning:
        return "warning";
    case Severity::Info:
        return "info";
    }
    return "";
}

const char *NameOf(End end) {
    switch (end) {
    case End::IncompleteDescriptor:
        return "incomplete-descriptor";
    case End::UpToDate:
        return "up-to-date";
    case End::Install:
        return "install";
    }
    return "";
}

const char *NameOf(RecordState state) {
    switch (state) {
    case RecordState::Present:
        return "present";
    case RecordState::NoKey:
        return "no-key";
    case RecordState::Unopenable:
        return "unopenable";
    case RecordState::NoValue:
        return "no-value";
    case RecordState::TooLong:
        return "too-long";
    case RecordState::KeyTooLong:
        return "key-too-long";
    case RecordState::NotInstalled:
        return "not-installed";
    }
    return "";
}

const char *NameOf(RecordSource source) {
    switch (source) {
    case RecordSource::Registry:
        return "registry";
    case RecordSource::Given:
        return "given";
    case RecordSource::Package:
        return "package";
    }
    return "";
}

const char *NameOf(LaunchSite site) {
    switch (site) {
    case LaunchSite::Staging:
        return "staging";
    case LaunchSite::Medium:
        return "medium";
    case LaunchSite::Nowhere:
        return "nowhere";
    }
    return "";
}

const char *NameOf(SignatureState state) {
    switch (state) {
    case SignatureState::NotChecked:
        return "not-checked";
    case SignatureState::Unsigned:
        return "unsigned";
    case SignatureState::BadDigest:
        return "bad-digest";
    case SignatureState::Untrusted:
        return "untrusted-root";
    case SignatureState::Verified:
        return "verified";
    case SignatureState::Expired:
        return "expired";
    case SignatureState::Revoked:
        return "revoked";
    case SignatureState::WrongUsage:
        return "wrong-usage";
    case SignatureState::Distrusted:
        return "distrusted";
    case SignatureState::NotAccepted:
        return "not-accepted";
    }
    return "";
}

const char *NameOf(PackageType type) {
    switch (type) {
    case PackageType::Msi:
        return "msi";
    case PackageType::Exe:
        return "exe";
    case PackageType::Other:
        return "other";
    }
    return "";
}

const char *NameOf(ProgramState state) {
    switch (state) {
    case ProgramState::Program:
        return "program";
    case ProgramState::Empty:
        return "empty";
    case ProgramState::Truncated:
        return "truncated";
    case ProgramState::NoHeaders:
        return "no-headers";
    }
    return "";
}

const char *NameOf(Landing landing) {
    switch (landing) {
    case Landing::Loader:
        return "loader";
    case Landing::OtherView:
        return "other-view";
    case Landing::UserHive:
        return "other-hive";
    case Landing::OtherKey:
        return "other-key";
    case Landing::OtherName:
        return "other-name";
    }
    return "";
}

const char *NameOf(Hive hive) {
    switch (hive) {
    case Hive::ClassesRoot:
        return "HKCR";
    case Hive::CurrentUser:
        return "HKCU";
    case Hive::LocalMachine:
        return "HKLM";
    case Hive::Users:
        return "HKU";
    }
    return "";
}

const char *NameOf(InstallContext context) {
    switch (context) {
    case InstallContext::PerUser:
        return "per-user";
    case InstallContext::PerMachine:
        return "per-machine";
    }
    return "";
}

const char *NameOf(RegistryType type) {
    switch (type) {
    case RegistryType::String:
        return "REG_SZ";
    case RegistryType::ExpandString:
        return "REG_EXPAND_SZ";
    case RegistryType::MultiString:
        return "REG_MULTI_SZ";
    case RegistryType::Dword:
        return "REG_DWORD";
    case RegistryType::Binary:
        return "REG_BINARY";
    }
    return "";
}

const char *NameOf(DiscFileSystem system) {
    switch (system) {
    case DiscFileSystem::Udf:
        return "udf";
    case DiscFileSystem::Joliet:
        return "joliet";
    case DiscFileSystem::Iso9660:
        return "iso9660";
    case DiscFileSystem::RockRidge:
        return "rock-ridge";
    }
    return "";
}
