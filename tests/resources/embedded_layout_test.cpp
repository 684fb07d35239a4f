// The layout as the program carries it: compiled from its source with the
// real artwork, embedded, found by the form's class name and loaded.

#include <gtest/gtest.h>

#include "app/globe_form.h"
#include "layout/bitmap.h"
#include "layout/loader.h"
#include "layout/picture.h"
#include "png/png_object.h"

namespace nivarra {
void RegisterLayoutResources();

namespace {

TEST(EmbeddedLayout, TheGlobeWindowLoadsFromItsResource) {
  RegisterLayoutResources();
  TfrmMain form;
  InitFormFromLayout(form);
  ASSERT_EQ(form.ComponentCount(), kGlobeSlotCount);
  EXPECT_EQ(form.Name(), "frmMain");

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
  EXPECT_EQ(pngs, 40);

  // The mask: white outside the outline, dark at the glass's centre.
  auto* mask = dynamic_cast<TBitmap*>(form.Image(GlobeSlot::imgMask)->Picture().Graphic());
  ASSERT_NE(mask, nullptr);
  EXPECT_EQ(mask->Canvas().PixelColour(0, 0), 0xFFFFFFu);
  EXPECT_EQ(mask->Canvas().PixelColour(145, 105), 0u);
}

}  // namespace
}  // namespace nivarra
