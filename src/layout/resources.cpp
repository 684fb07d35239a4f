#include "layout/resources.h"

#include <mutex>
#include <string>
#include <vector>

#include "layout/names.h"

namespace nivarra {

namespace {

struct Resource {
  int type;
  std::string name;
  std::span<const std::uint8_t> data;
};

struct ResourceTable {
  std::mutex lock;
  std::vector<Resource> entries;
};

ResourceTable& Table() {
  static ResourceTable table;
  return table;
}

}  // namespace

void RegisterResource(int type, std::string_view name, std::span<const std::uint8_t> data) {
  ResourceTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  for (Resource& r : t.entries) {
    if (r.type == type && SameName(r.name, name)) {
      r.data = data;
      return;
    }
  }
  t.entries.push_back(Resource{type, std::string(name), data});
}

std::optional<std::span<const std::uint8_t>> FindResourceData(int type, std::string_view name) {
  ResourceTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  for (const Resource& r : t.entries) {
    if (r.type == type && SameName(r.name, name)) return r.data;
  }
  return std::nullopt;
}

}  // namespace nivarra
