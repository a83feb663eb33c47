#pragma once

#include <string>
#include <string_view>

namespace murvane {

// The form of a full path that the platform's file services take at any
// length: "\\?\C:\dir\file" for a drive path, "\\?\UNC\server\share\file"
// for a network path. Such a path is used as it stands, without the usual
// clean-up, so this turns forward slashes into backslashes and leaves alone
// (returns unchanged) whatever it cannot pass on safely: a path already in a
// device form ("\\?\", "\\.\"), one that is not full ("dir\file", "C:file",
// "\dir\file"), and one with "." or ".." parts or an empty part. Give it what
// the platform's own full-path service returns.
std::wstring extendedLengthPath(std::wstring_view fullPath);

}  // namespace murvane
