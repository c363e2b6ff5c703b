#pragma once

#include <QIcon>

// The program's own pictures, embedded as Qt resources.
namespace Artwork {

// The product logo: 256 x 38 pixels, 8-bit palette, drawn on white.
inline constexpr char kLogoPath[] = ":/skw/images/logo.png";
inline constexpr char kIconPath[] = ":/skw/images/icon.png";

// The window icon of the program's windows.
QIcon AppIcon();

}  // namespace Artwork
