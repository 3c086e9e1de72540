// What the command line offers that differs between the checker's builds, one file each
// (build_host.cpp, build_windows.cpp): the build machine checks a directory or a disc image it is
// given, for a machine the command line describes; Windows checks the machine it runs on, by
// default in the checker's own directory.
#pragma once

struct BuildTraits {
    const char *mediumHelp;
    const char *installedHelp;
    bool mediumOptional;   // without one, the checker's own directory
    bool registryViews;    // the machine's registry is read, in the view --view names
    bool describedMachine; // the machine is the one the command line describes, not this one
};

extern const BuildTraits kBuild;
