// The layout as the program carries it: compiled from its source with the
// real artwork, embedded, found by the form's class name and loaded; and the
// artwork drawn for dense screens, embedded beside it.

#include <gtest/gtest.h>

#include <memory>
#include <typeinfo>
#include <utility>
#include <vector>

#include "app/art_sets.h"
#include "app/globe_form.h"
#include "graphics/stream.h"
#include "layout/bitmap.h"
#include "layout/loader.h"
#include "layout/picture.h"
#include "layout/reader.h"
#include "layout/resources.h"
#include "png/png_object.h"

namespace nivarra {
namespace {

TEST(EmbeddedLayout, TheGlobeWindowLoadsFromItsResource) {
  RegisterLayoutResources();
  TfrmMain form;
  InitFormFromLayout(form);
  // The window's components, then the plaque's words in other languages.
  ASSERT_GT(form.ComponentCount(), kGlobeSlotCount);
  EXPECT_EQ(form.Name(), "frmMain");
  const int labels = form.ComponentCount() - kGlobeSlotCount;
  for (int i = kGlobeSlotCount; i < form.ComponentCount(); ++i) {
    EXPECT_TRUE(form.Component(i)->Name().starts_with("imgDays_")) << form.Component(i)->Name();
  }

  int pngs = 0;
  for (int i = 0; i < form.ComponentCount(); ++i) {
    const auto* image = dynamic_cast<const TImage*>(form.Component(i));
    if (image == nullptr) continue;
    SCOPED_TRACE(image->Name());
    const TGraphic* graphic = image->Picture().Graphic();
    ASSERT_NE(graphic, nullptr);
    EXPECT_EQ(image->Width(), graphic->Width());
    EXPECT_EQ(image->Height(), graphic->Height());
    if (const auto* png = dynamic_cast<const TPNGObject*>(graphic)) {
      ++pngs;
      EXPECT_EQ(png->ChunkList.Count(), 5);  // IHDR, tEXt, iTXt, IDAT, IEND
      EXPECT_EQ(png->TransparencyKind(), kTransparencyAlpha);
    }
  }
  EXPECT_EQ(pngs, 40 + labels);

  // The mask: white outside the outline, dark at the glass's centre.
  auto* mask = dynamic_cast<TBitmap*>(form.Image(GlobeSlot::imgMask)->Picture().Graphic());
  ASSERT_NE(mask, nullptr);
  EXPECT_EQ(mask->Canvas().PixelColour(0, 0), 0xFFFFFFu);
  EXPECT_EQ(mask->Canvas().PixelColour(145, 105), 0u);
}

// Each dense set loads from its own resource into the window's form the way
// the window's layout does, and holds the window's pictures under the same
// names, in the same order, of the same kind and exactly factor times as
// large: a picture missing, misnamed or drawn at the wrong size would put
// the scene together wrongly at that density.
TEST(EmbeddedLayout, TheDenseArtworkSetsHoldEveryPictureAtTheirFactor) {
  RegisterLayoutResources();
  TfrmMain window;
  InitFormFromLayout(window);
  std::vector<const TImage*> pictures;
  for (int i = 0; i < window.ComponentCount(); ++i) {
    if (const auto* image = dynamic_cast<const TImage*>(window.Component(i))) pictures.push_back(image);
  }

  for (const auto& [resource, factor] : {std::pair{"GLOBEART2X", 2}, std::pair{"GLOBEART3X", 3}}) {
    SCOPED_TRACE(resource);
    EXPECT_EQ(ArtSetResourceName(factor), resource);
    const std::unique_ptr<TComponent> set = LoadArtSet(factor);
    ASSERT_NE(set, nullptr);
    const TComponent& form = *set;
    ASSERT_EQ(form.ComponentCount(), static_cast<int>(pictures.size()));
    for (int i = 0; i < form.ComponentCount(); ++i) {
      const auto* image = dynamic_cast<const TImage*>(form.Component(i));
      ASSERT_NE(image, nullptr);
      const TImage& base = *pictures[static_cast<std::size_t>(i)];
      SCOPED_TRACE(base.Name());
      EXPECT_EQ(image->Name(), base.Name());
      const TGraphic* graphic = image->Picture().Graphic();
      const TGraphic* baseGraphic = base.Picture().Graphic();
      ASSERT_NE(graphic, nullptr);
      EXPECT_EQ(typeid(*graphic), typeid(*baseGraphic));
      EXPECT_EQ(graphic->Width(), factor * baseGraphic->Width());
      EXPECT_EQ(graphic->Height(), factor * baseGraphic->Height());
      EXPECT_EQ(image->Width(), graphic->Width());
      EXPECT_EQ(image->Height(), graphic->Height());
    }
  }
}

}  // namespace
}  // namespace nivarra
