// A workspace as JSON text: what --dump prints and --build reads.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

class clWorkspace;

// The whole workspace as one JSON object: "counters" (the eight counters in file
// order), "ports", "masters", "slaves", "monitors" and "columnWidths", every stored
// field under its lower-camel-case name. Doubles are printed so that they read back
// exactly; NaN and infinities, which JSON cannot hold, as the strings "NaN",
// "Infinity" and "-Infinity" ("NaN:0x..." with the bits of any NaN but the
// ordinary one), and a negative zero as -0.0.
std::string WorkspaceToJson(const clWorkspace& workspace);

// Descriptions longer than this are refused unread.
inline constexpr size_t kMaxWorkspaceJsonBytes = size_t{1} << 30;
// Objects and arrays nest at most this deep (a workspace needs 7).
inline constexpr int kMaxWorkspaceJsonDepth = 32;

// Fills an empty workspace from a JSON description of the form WorkspaceToJson
// writes, so that the two reproduce a workspace file byte for byte. Names are
// accepted where the form has codes (tag types, quality flags, parity, stop bits,
// flow control); a missing field takes the value a new object gets in the desktop
// program; an unknown field is an error. Returns "" on success, otherwise what is
// wrong and where: "masters[2].sectors[0].tags[14].ioa: not a number", or "line 3,
// column 7: ..." for text that is not JSON.
std::string WorkspaceFromJson(std::string_view text, clWorkspace& workspace);
