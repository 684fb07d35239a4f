#pragma once
// Resources compiled into the program: found by type and by a name
// compared without regard to letter case. The build registers the native
// program's resources; the Windows program finds them in its executable.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace nivarra {

inline constexpr int kRtRcdata = 10;

// data must outlive the program (static storage).
void RegisterResource(int type, std::string_view name, std::span<const std::uint8_t> data);
std::optional<std::span<const std::uint8_t>> FindResourceData(int type, std::string_view name);

// Registers the window's layout and artwork streams. Defined by the code
// `layout-tool embed` writes, which only the native program links.
void RegisterLayoutResources();

}  // namespace nivarra
