#include "tests/support/shared_files.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace ovix::testing {

std::optional<fs::path> SharedDir() {
  if (const char* env = std::getenv("OVIX_SHARED_DIR"); env != nullptr && *env != '\0') {
    if (fs::is_directory(env)) return fs::path(env);
    return std::nullopt;
  }
  const fs::path configured = OVIX_SHARED_DIR;
  if (fs::is_directory(configured)) return fs::weakly_canonical(configured);
  return std::nullopt;
}

std::optional<fs::path> SharedPath(const std::string& relative) {
  const auto dir = SharedDir();
  if (!dir) return std::nullopt;
  fs::path p = *dir / relative;
  if (!fs::exists(p)) return std::nullopt;
  return p;
}

fs::path SourceDir() { return fs::path(OVIX_SOURCE_DIR); }

TempDir::TempDir() {
  std::random_device rd;
  const fs::path base = fs::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate = base / ("ovix-test-" + std::to_string(rd()));
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ec;
  // Tests may have made files read-only; make them writable again first.
  for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

std::string ReadFileBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + file.string());
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteFileBytes(const fs::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + file.string());
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("write failed: " + file.string());
}

}  // namespace ovix::testing
