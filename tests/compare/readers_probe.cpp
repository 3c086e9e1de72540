// Prints what the descriptor and installed-version readers return for a list of queries, so that
// the same fixtures can go through the real platform (under Wine) and the simulated one and the
// two outputs be compared line by line.
//
// usage: readers_probe FIXTURES QUERIES
// Query lines:
//   descriptor <path of an ini file>   what ReadPackageDescriptor returns
//   profile <path of an ini file>      the same read through GetPrivateProfileStringA alone
//   reader <path of an ini file>       the same read through the loader's own ReadIniFileValue
//   installed <RegPath>                what QueryInstalledVersion returns
//   removefilespec <path>              the loader's RemoveFileSpec beside PathRemoveFileSpecA
//   format <a> <b> <c> <d>             NormalizeVersion of "a.b.c.d" beside wsprintfA's
//                                      "%04ld.%04ld.%04ld.%04ld"
//   codepage <n>                       the queries after it are in ANSI code page n; prints the
//                                      code page the platform then has
#include "fixtures.h"
#include "loader.h"
#include "paths.h"

#include <shlwapi.h>
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

// Bytes outside printable ASCII, and the backslash, are written as \xNN.
void PrintText(const char *text) {
    for (const unsigned char *c = reinterpret_cast<const unsigned char *>(text); *c != 0; ++c) {
        if (*c >= 0x20 && *c < 0x7F && *c != '\\') {
            putchar(*c);
        } else {
            printf("\\x%02x", *c);
        }
    }
}

enum Reading { kLoader, kProfileFunction, kOwnReader };

// The three values with the loader's sizes, stopping at the first that yields nothing.
int ReadEach(const char *path, Reading reading, PackageDescriptor *descriptor) {
    char *fields[kDescriptorKeyCount] = {descriptor->RuntimePackage, descriptor->RegPath,
                                         descriptor->Version};
    const unsigned sizes[kDescriptorKeyCount] = {kDescriptorCapacity - 1, kDescriptorCapacity - 1,
                                                 kDescriptorVersionSize};
    for (int key = 0; key < kDescriptorKeyCount; ++key) {
        const int read =
            reading == kProfileFunction
                ? static_cast<int>(GetPrivateProfileStringA(
                      kDescriptorSection, kDescriptorKeys[key], "", fields[key], sizes[key], path))
                : ReadIniFileValue(path, kDescriptorSection, kDescriptorKeys[key], fields[key],
                                   sizes[key]);
        if (read == 0) {
            return 0;
        }
    }
    return 1;
}

void QueryDescriptor(const char *path, Reading reading) {
    PackageDescriptor descriptor;
    memset(&descriptor, 0, sizeof(descriptor));
    int missingKey = 0;
    int result = reading == kLoader ? ReadPackageDescriptor(path, &descriptor, &missingKey)
                                    : ReadEach(path, reading, &descriptor);
    printf("%d [", result);
    PrintText(descriptor.RuntimePackage);
    printf("] [");
    PrintText(descriptor.RegPath);
    printf("] [");
    PrintText(descriptor.Version);
    printf("]");
}

void QueryInstalled(const char *regPath) {
    const int canary = 8;
    char version[kVersionCapacity + canary];
    memset(version, 0, kVersionCapacity);
    memset(version + kVersionCapacity, '#', canary);
    int result = QueryInstalledVersion(regPath, version);
    printf("%d [", result);
    PrintText(version);
    printf("]%s", memcmp(version + kVersionCapacity, "########", canary) == 0 ? "" : " OVERRUN");
}

void QueryRemoveFileSpec(const char *path) {
    char own[MAX_PATH] = {0};
    char platform[MAX_PATH] = {0};
    lstrcpyA(own, path);
    lstrcpyA(platform, path);
    RemoveFileSpec(own);
    PathRemoveFileSpecA(platform);
    printf("own [");
    PrintText(own);
    printf("] platform [");
    PrintText(platform);
    printf("]");
}

void QueryFormat(const char *numbers) {
    int values[4] = {0, 0, 0, 0};
    sscanf(numbers, "%d %d %d %d", &values[0], &values[1], &values[2], &values[3]);
    LONG fields[4] = {values[0], values[1], values[2], values[3]};
    char dotted[64] = {0};
    snprintf(dotted, sizeof(dotted), "%d.%d.%d.%d", values[0], values[1], values[2], values[3]);
    char own[kVersionCapacity] = {0};
    char platform[128] = {0};
    int accepted = NormalizeVersion(dotted, own);
    wsprintfA(platform, "%04ld.%04ld.%04ld.%04ld", fields[0], fields[1], fields[2], fields[3]);
    printf("own [%s] platform [%s]", accepted ? own : "(does not fit)", platform);
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: readers_probe FIXTURES QUERIES\n");
        return 2;
    }
    PrepareWorld(argv[1]);
    FILE *queries = fopen(argv[2], "rb");
    if (queries == NULL) {
        fprintf(stderr, "cannot open %s\n", argv[2]);
        return 2;
    }
    char line[2048];
    while (fgets(line, sizeof(line), queries) != NULL) {
        line[strcspn(line, "\r\n")] = '\0';
        PrintText(line);
        printf(" -> ");
        if (strncmp(line, "descriptor ", 11) == 0) {
            QueryDescriptor(line + 11, kLoader);
        } else if (strncmp(line, "profile ", 8) == 0) {
            QueryDescriptor(line + 8, kProfileFunction);
        } else if (strncmp(line, "reader ", 7) == 0) {
            QueryDescriptor(line + 7, kOwnReader);
        } else if (strncmp(line, "installed ", 10) == 0) {
            QueryInstalled(line + 10);
        } else if (strncmp(line, "removefilespec ", 15) == 0) {
            QueryRemoveFileSpec(line + 15);
        } else if (strncmp(line, "format ", 7) == 0) {
            QueryFormat(line + 7);
        } else if (strncmp(line, "codepage ", 9) == 0) {
            UseCodePage(static_cast<unsigned>(atoi(line + 9)));
            printf("%u", GetACP());
        } else {
            printf("unknown query");
        }
        printf("\n");
    }
    fclose(queries);
    return 0;
}
