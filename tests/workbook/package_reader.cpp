#include "tests/workbook/package_reader.h"

#include <zip.h>

#include <memory>
#include <stdexcept>

namespace ovix::testing {

std::map<std::string, std::string> ReadPackage(const std::filesystem::path& path) {
  int error = 0;
  std::unique_ptr<zip_t, decltype(&zip_discard)> archive(zip_open(path.c_str(), ZIP_RDONLY, &error),
                                                         &zip_discard);
  if (!archive) throw std::runtime_error("not a readable ZIP package: " + path.string());
  std::map<std::string, std::string> parts;
  const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    zip_stat_t st;
    if (zip_stat_index(archive.get(), static_cast<zip_uint64_t>(i), 0, &st) != 0) {
      throw std::runtime_error("cannot read an entry of " + path.string());
    }
    std::unique_ptr<zip_file_t, decltype(&zip_fclose)> file(
        zip_fopen_index(archive.get(), static_cast<zip_uint64_t>(i), 0), &zip_fclose);
    if (!file) throw std::runtime_error(std::string("cannot open ") + st.name);
    std::string data(st.size, '\0');
    if (zip_fread(file.get(), data.data(), st.size) != static_cast<zip_int64_t>(st.size)) {
      throw std::runtime_error(std::string("cannot read ") + st.name);
    }
    parts.emplace(st.name, std::move(data));
  }
  return parts;
}

std::string ReadPart(const std::filesystem::path& path, const std::string& name) {
  auto parts = ReadPackage(path);
  const auto it = parts.find(name);
  if (it == parts.end()) throw std::runtime_error("the package has no part " + name);
  return it->second;
}

}  // namespace ovix::testing
