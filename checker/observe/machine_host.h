// Where the build machine's simulated Windows shows a medium.
#pragma once

// The medium lies at the root of drive E:, the loader at E:\loader.exe.
inline const char kMediumRoot[] = "E:\\";
