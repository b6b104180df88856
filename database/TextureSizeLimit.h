#pragma once
// The one road of images into OpenGL textures: the maximum texture size (the card's limit
// clamped to 1024..4096, capped by a user override), fitting an image size to powers of two
// within it, and making the texture.
//
// Override: -1 (at every start) a fixed limit of 1024 without asking OpenGL; 0 the card's
// limit; a power of two of 2 or more caps the card's limit. Everything but the override
// needs the current GL context of the drawing view.

#include <cstdint>

namespace orbisk::imageutils {
class ImageRep;
}

// Accepts -1, 0 or a power of two of at least 2 and posts "Max texture size changed" (null
// payload), also for an unchanged value; ignores every other value.
void SetMaxTextureSizeOverride(int32_t value);
int32_t GetMaxTextureSizeOverride();
// Pixels. When the card cannot be asked (no current context), 1024.
int32_t GetMaxTextureSize();
// Raises each side to a power of two (0 becomes 2), then halves both while either exceeds the
// maximum, stopping when either falls below 2. True when anything changed.
bool FitTextureSize(int32_t& width, int32_t& height);
bool NeedsTextureResize(const orbisk::imageutils::ImageRep& image);
// Scales the image in place to its fitted size; nothing for null.
void ResizeImageToFit(orbisk::imageutils::ImageRep* image);
// A new texture made from the image, fitted on a copy (the image is never changed), left
// bound: one-dimensional for an image one pixel high, else two-dimensional, repeating, with
// linear filtering (mipmapped when asked) and the modulate environment. 0 for null.
uint32_t CreateGLTexture(const orbisk::imageutils::ImageRep* image, bool mipmaps);
