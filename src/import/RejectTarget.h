#pragma once
// Where the file of rejected rows may go: never over the import file or a file of the suite, and
// only to a regular file.

#include <optional>
#include <string>
#include <vector>

namespace velra {

// Why the rejected rows cannot be written to `path`: it is the import file `sourceFile`, one of
// `suiteFiles` (see SuiteFiles), also through a link, or it exists and is no regular file (a
// device, a pipe, a folder). A German sentence; nullopt when the path can take the file.
std::optional<std::string> RejectTargetProblem(const std::string& path,
                                               const std::string& sourceFile,
                                               const std::vector<std::string>& suiteFiles);

}  // namespace velra
