#pragma once
// Path services. Paths use "/" here; values read from files written on Windows may carry "\",
// which every function below accepts as a separator too.

#include <string>
#include <string_view>

namespace velra {

// The text before the last separator (without it); empty when there is none.
std::string FolderOf(std::string_view path);
// The text after the last separator; the whole text when there is none.
std::string FileNameOf(std::string_view path);
// Joins with exactly one "/" between folder and name ("windir" is not special here).
std::string PathJoin(std::string_view folder, std::string_view name);
// A folder as the suite stores it, made usable here: "\" become "/", a trailing "/" is added.
// Empty text stays empty.
std::string NormaliseFolder(std::string_view folder);
// The system's folder for temporary files (TMPDIR, else /tmp), ending in "/".
std::string TempFolder();
// True when the path is not empty and names an existing file or folder.
bool FileExists(std::string_view path);
bool IsDirectory(std::string_view path);
bool IsRegularFile(std::string_view path);
// The folder of the running executable, ending in "/".
std::string ExecutableFolder();
// True when `name` can be used as a file name on its own and stays in its folder: not empty, not
// "." or "..", no control characters and no separator ("/", and "\" which values written on
// Windows use). Everything else is a valid name here, "Elektro Huber e.K." as well.
bool IsSafeFileName(std::string_view name);

}  // namespace velra
