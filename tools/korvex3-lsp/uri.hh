#pragma once
// file: URIs and the paths the parser names files by.
#include <string>

namespace korvex3_lsp {

/// The local path of a file: URI ("" for another scheme or a remote host).
std::string path_of_uri(const std::string& uri);

/// The file: URI of an absolute path, percent-encoded.
std::string uri_of_path(const std::string& path);

/// One spelling per file: absolute, "." and ".." resolved, links resolved
/// where the file exists (the parser's include paths are joined as written).
std::string normal_path(const std::string& path);

}  // namespace korvex3_lsp
