#pragma once

#include "drawing/surface.h"
#include "errors/error.h"
#include "input/grey_conversion.h"
#include "state/tracking_state.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace vireo {

// "pic" + frameNumber in decimal + ".bmp": 5 gives pic5.bmp, 12 gives pic12.bmp.
std::string frameFileName(int frameNumber);

// Loads frame `frameNumber` from `folder` (the current directory when empty): reads
// folder/picN.bmp, converts its pixels to grey levels in state.grayimg, keeps the bytes read in
// state.filebytes and, when `picture` is given, shows the file's picture on it.
//
// Accepted: a regular file holding an uncompressed 24-bit 160 x 120 bitmap ("BM", an information
// header of 40, 52, 56, 108 or 124 bytes, one plane, compression 0, height 120 stored bottom-up
// or -120 stored top-down) whose pixel data, 120 rows of 480 bytes, lies wholly inside the file
// at the header's pixel-data offset. The size field at offset 2 is not used.
//
// Picture row r (from the top) becomes grey row r, 0..119; grey level = (blue + green + red + 1)
// div 3, the mean rounded to nearest. Row 120 and column 160 are never written.
//
// A caller that reads only some grey rows names them in `greyRows`: only the pixel data of those
// rows is read (after the headers, in a read of its own), the other rows of state.grayimg keep
// what they held, and the bytes of the other rows in state.filebytes are left unspecified. The
// checks and refusals are the same.
//
// Anything else is refused with an Error whose subject is the file's name ("pic3.bmp") and whose
// reason says what is wrong ("bit count 8, expected 24"); neither the state nor `picture` has
// changed then. Only the headers and the pixel data are read, so no file can make it allocate more
// than a frame's worth or block (devices and pipes are refused before they are read).
Expected<void> moveme(TrackingState& state, const std::filesystem::path& folder, int frameNumber,
                      Surface* picture = nullptr, PictureRows greyRows = {});

// The same for a frame file that is already in memory: `file` holds the whole file, `name` is
// the subject of a refusal. Accepts and refuses exactly the files moveme does, with the same
// reasons, and leaves the state as moveme would.
Expected<void> loadFrameFile(TrackingState& state, const std::string& name,
                             std::span<const std::uint8_t> file, Surface* picture = nullptr);

} // namespace vireo
