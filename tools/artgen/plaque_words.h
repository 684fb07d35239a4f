#pragma once
// The plaque's word in every language the program speaks: each catalog's
// forms of "day"/"days" (po/<language>.po), named as the countdown looks
// for their pictures (imgDays_<language>_<form>).

#include <string>
#include <vector>

namespace artgen {

struct PlaqueWord {
  std::string Name;  // imgDays_ru_2
  std::string Word;  // дней
};

// Reads every <language>.po in poDir, in the order of their names.
std::vector<PlaqueWord> ReadPlaqueWords(const std::string& poDir);

}  // namespace artgen
