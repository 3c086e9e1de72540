// medium-check init --iso: a medium's directory written as a disc image, one implementation per
// build: on the build machine xorriso, on Windows none (Windows mounts images; it does not make
// them here).
#pragma once

#include <cstdint>
#include <string>

// The image's volume id, the same for every medium.
inline const char kVolumeId[] = "RUNTIME_MEDIUM";

// Writes directory as a disc image at image, with ISO 9660, Joliet and Rock Ridge names, every
// date at epoch (seconds since 1970) and the volume id above, so the same files give the same
// bytes. false and a message when it cannot.
bool WriteDiscImage(const std::string &directory, const std::string &image, std::int64_t epoch,
                    std::string *error);
