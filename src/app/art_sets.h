#pragma once
// The globe's artwork drawn at whole factors larger than 1x, embedded
// beside the window's layout as resources of their own (GLOBEART2X,
// GLOBEART3X): each a layout holding only the window's images, under the
// same names, drawn at that factor.

#include <memory>
#include <string>

namespace nivarra {

class TComponent;

// The resource name of the set drawn at factor.
std::string ArtSetResourceName(int factor);

// The set drawn at factor: its images read into a bare component that owns
// them, or null when the program has no such set or it cannot be read: the
// globe then resamples a smaller one.
std::unique_ptr<TComponent> LoadArtSet(int factor);

}  // namespace nivarra
