#pragma once

#include <string>

// printf into a std::string, for the figures of the table.
std::string Format(const char* format, ...);
