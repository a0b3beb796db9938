// The product's web address: the About box's link shows it and opens it.
#pragma once

#include <string_view>

inline constexpr std::string_view kProductAddress = "https://quirella.example.org";
