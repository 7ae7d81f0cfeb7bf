// PNG files of the emulated screen (screenshots) and of test pictures.
#pragma once

#include <optional>
#include <string>

#include "platform/emu/pixels.h"

namespace emu {

// Writes the bitmap as an 8-bit RGB PNG, replacing the file atomically (ReplaceFile: never a
// device or a read-only file, a symbolic link's target in its own folder), so `path` is never
// left half-written. On failure returns false and sets *error (when given) to a description
// that names the file.
bool WritePng(const std::string& path, const Bitmap& bitmap, std::string* error);

// Reads any PNG into opaque pixels (alpha is composited onto black); nullopt when the file
// cannot be read or decoded.
std::optional<Bitmap> ReadPng(const std::string& path);

}  // namespace emu
