#include "app/art_sets.h"

#include <exception>

#include "graphics/stream.h"
#include "layout/class_info.h"
#include "layout/component.h"
#include "layout/controls.h"
#include "layout/loader.h"
#include "layout/reader.h"
#include "layout/resources.h"

namespace nivarra {
namespace {

// A set's root: it owns the set's images and is no window.
class TArtSet : public TComponent {
 public:
  TArtSet() : TComponent(nullptr) {}
  static const TClassInfo& StaticClassInfo() {
    static const TClassInfo info{.Name = "TArtSet",
                                 .Parent = &TComponent::StaticClassInfo(),
                                 .SlotClasses = {&TImage::StaticClassInfo()}};
    return info;
  }
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

}  // namespace

std::string ArtSetResourceName(int factor) { return "GLOBEART" + std::to_string(factor) + "X"; }

std::unique_ptr<TComponent> LoadArtSet(int factor) {
  const auto data = FindResourceData(kRtRcdata, ArtSetResourceName(factor));
  if (!data) return nullptr;
  try {
    std::unique_ptr<TComponent> set = std::make_unique<TArtSet>();
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
