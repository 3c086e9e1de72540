// The stable names of every state the reports show, one table per enum: the JSON report's values
// and the SARIF levels' sources. A name never changes once a report has carried it.
#pragma once

#include "../model/finding.h"
#include "../model/observation.h"
#include "../model/prediction.h"

const char *NameOf(Severity severity);
const char *NameOf(End end);
const char *NameOf(RecordState state);
const char *NameOf(RecordSource source);
const char *NameOf(LaunchSite site);
const char *NameOf(SignatureState state);
const char *NameOf(PackageType type);
const char *NameOf(ProgramState state);
const char *NameOf(Landing landing);
const char *NameOf(Hive hive);
const char *NameOf(InstallContext context);
const char *NameOf(RegistryType type);
const char *NameOf(DiscFileSystem system);
