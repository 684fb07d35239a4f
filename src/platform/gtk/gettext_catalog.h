#pragma once
// The Linux program's translations, through gettext as every GTK program
// reads them: compiled catalogs in locale/ beside the program in the build
// tree, else in the installation's share/locale.

#include <memory>
#include <string_view>

#include "core/translation.h"

namespace nivarra {

// The catalog of the Language setting when it names a language the program
// speaks, else of the first the environment asks for (LANGUAGE, LC_ALL,
// LC_MESSAGES, LANG); null for English. executablePath finds the catalogs.
std::unique_ptr<MessageCatalog> OpenGettextCatalog(std::string_view languageSetting, std::string_view executablePath);

}  // namespace nivarra
