#pragma once
// Which of the program's languages a user gets: the Language setting when
// it names one, else the first of the user's preferred languages the
// program speaks; English (empty) when none is.

#include <span>
#include <string>
#include <string_view>

namespace nivarra {

// preferred in the user's order, as the system writes them: "de_DE.UTF-8",
// "pt-BR", "sr@latin", "ru". available are the catalogs' codes ("de",
// "pt_BR"). English ("en...") among the preferred ends the search.
std::string ChooseLanguage(std::string_view setting, std::span<const std::string> preferred,
                           std::span<const std::string> available);

}  // namespace nivarra
