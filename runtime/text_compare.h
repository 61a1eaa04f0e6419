#pragma once
#include <string_view>

// Compares two names without regard to letter case (ASCII letters).
bool EqualsNoCase(std::string_view a, std::string_view b);
