// Structural checks of exported scene files for the formats that have no
// packaged reader (or whose reader forgives too much). Each returns an empty
// string when the text is sound, else what is wrong and where.
#pragma once

#include <string>

namespace kxtest {

// Braces and brackets nest and close; "#" comments and quoted strings
// (with backslash escapes) are skipped.
std::string checkBalanced(const std::string& text);

// RenderMan: Frame/World/Transform/Attribute blocks nest, brackets close on
// their request, every request is one the exporter may write and every other
// token is a quoted string or a number.
std::string checkRib(const std::string& text);

// Polyray: braces and angle brackets balance ("//" comments skipped), and
// every member of a group was declared with "define" before it.
std::string checkPolyray(const std::string& text);

// Wavefront OBJ: every face has three corners, and no corner refers past the
// "v" or "vn" lines written before it.
std::string checkObjIndices(const std::string& text);

}  // namespace kxtest
