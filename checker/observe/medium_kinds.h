// Each kind of medium's two functions, for the table of kinds; each kind has its host and its
// Windows file.
#pragma once

#include "medium.h"

bool TakesDirectory(const std::string &path);
std::unique_ptr<Medium> OpenDirectory(const std::string &path, std::string *error);

bool TakesFatImage(const std::string &path);
std::unique_ptr<Medium> OpenFatImage(const std::string &path, std::string *error);

bool TakesDiscImage(const std::string &path);
std::unique_ptr<Medium> OpenDiscImage(const std::string &path, std::string *error);
