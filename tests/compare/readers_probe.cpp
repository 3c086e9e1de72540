// Prints what the descriptor and installed-version readers return for a list of queries, so that
// the same fixtures can go through the real platform (under Wine) and the simulated one and the
// two outputs be compared line by line.
//
// usage: readers_probe FIXTURES QUERIES
// Query lines: "descriptor <path of an ini file>" or "installed <RegPath>".
#include "fixtures.h"
#include "loader.h"

#include <stdio.h>
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

void QueryDescriptor(const char *path) {
    PackageDescriptor descriptor;
    memset(&descriptor, 0, sizeof(descriptor));
    int result = ReadPackageDescriptor(path, &descriptor);
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
            QueryDescriptor(line + 11);
        } else if (strncmp(line, "installed ", 10) == 0) {
            QueryInstalled(line + 10);
        } else {
            printf("unknown query");
        }
        printf("\n");
    }
    fclose(queries);
    return 0;
}
