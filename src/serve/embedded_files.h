// The page, its scripts and styles, and the bundled examples, built into the
// program (cmake/embed_files.cmake) so that `darnek serve` runs from any folder.
#pragma once

#include <span>
#include <string_view>

namespace darnek::serve {

struct EmbeddedFile {
  std::string_view Path;  // relative to the repository: "web/index.html", "examples/cantilever_sand.toml"
  std::string_view Data;
};

std::span<const EmbeddedFile> EmbeddedFiles();

// The file with this path; null when there is none.
inline const EmbeddedFile* FindEmbedded(std::string_view path) {
  for (const EmbeddedFile& f : EmbeddedFiles())
    if (f.Path == path) return &f;
  return nullptr;
}

}  // namespace darnek::serve
