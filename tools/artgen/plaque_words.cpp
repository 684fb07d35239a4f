#include "plaque_words.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace artgen {

namespace {

// The text between the first and the last quote of a line.
std::string Quoted(const std::string& line) {
  const std::size_t open = line.find('"');
  const std::size_t close = line.rfind('"');
  if (open == std::string::npos || close <= open) return {};
  return line.substr(open + 1, close - open - 1);
}

std::vector<std::string> DayForms(const std::filesystem::path& po) {
  std::ifstream in(po);
  std::string line;
  bool inEntry = false;
  std::vector<std::string> forms;
  while (std::getline(in, line)) {
    if (line.starts_with("msgid ")) {
      if (inEntry) break;
      inEntry = Quoted(line) == "day";
    } else if (inEntry && line.starts_with("msgstr[")) {
      forms.push_back(Quoted(line));
    }
  }
  if (forms.empty() || std::ranges::any_of(forms, [](const std::string& f) { return f.empty(); })) {
    throw std::runtime_error(po.string() + " has no translation of \"day\"/\"days\"");
  }
  return forms;
}

}  // namespace

std::vector<PlaqueWord> ReadPlaqueWords(const std::string& poDir) {
  std::vector<std::filesystem::path> catalogs;
  for (const auto& entry : std::filesystem::directory_iterator(poDir)) {
    if (entry.path().extension() == ".po") catalogs.push_back(entry.path());
  }
  std::ranges::sort(catalogs);
  std::vector<PlaqueWord> words;
  for (const auto& po : catalogs) {
    const std::vector<std::string> forms = DayForms(po);
    for (std::size_t i = 0; i < forms.size(); ++i) {
      words.push_back({"imgDays_" + po.stem().string() + "_" + std::to_string(i), forms[i]});
    }
  }
  return words;
}

}  // namespace artgen
