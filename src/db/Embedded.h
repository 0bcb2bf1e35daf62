#pragma once
// Files of the source tree compiled into the program (schema scripts, demo templates), named by
// their path relative to the project root.

#include <optional>
#include <string_view>
#include <vector>

namespace velra::embedded {

std::optional<std::string_view> EmbeddedFile(std::string_view name);
std::vector<std::string_view> EmbeddedFileNames();

}  // namespace velra::embedded
