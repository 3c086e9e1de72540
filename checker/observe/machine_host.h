// Where the build machine's simulated Windows shows a medium and its temporary directory.
#pragma once

// The medium lies at the root of drive E:, the loader at E:\loader.exe.
inline const char kMediumRoot[] = "E:\\";
// The temporary directory exists and, as on any machine, holds none of the medium's
// sub-directories.
inline const char kTempDirectory[] = "%TEMP%";
