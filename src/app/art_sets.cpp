#include "app/art_sets.h"

#include <exception>

#include "app/globe_form.h"
#include "graphics/stream.h"
#include "layout/loader.h"
#include "layout/reader.h"
#include "layout/resources.h"

namespace nivarra {

std::string ArtSetResourceName(int factor) { return "GLOBEART" + std::to_string(factor) + "X"; }

std::unique_ptr<TfrmMain> LoadArtSet(int factor) {
  const auto data = FindResourceData(kRtRcdata, ArtSetResourceName(factor));
  if (!data) return nullptr;
  try {
    auto set = std::make_unique<TfrmMain>();
    TMemoryStream stream(*data);
    TReader reader(stream, 4096);
    TLayoutLoader loader(reader);
    loader.ReadLayoutRoot(*set);
    return set;
  } catch (const std::exception&) {
    return nullptr;
  }
}

}  // namespace nivarra
