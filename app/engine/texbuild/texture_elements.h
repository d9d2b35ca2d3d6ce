// The definition file's element tree as the texture builder edits it: the
// rows it shows, the choices of a lookup element, and the values an editor
// writes into an element of the current user texture. Qt-free, so the rules
// are tested without a window.
#pragma once

#include <string>
#include <vector>

#include "kxcore.h"

namespace kx::app {

// One element shown: groups and leaves in tree order, placeholders left out.
struct ElementRow {
    TexItem* item = nullptr;
    int depth = 0;     // 0 for the top list
    std::string path;  // "/pigment/color", as the database writes it
};
std::vector<ElementRow> elementRows();

// The label a lookup option shows: the text before its first ":" (the word
// after it is what the renderer reads), else the whole text.
std::string optionLabel(const char* text);

struct ElementChoice {
    int value;
    std::string label;
};
// The options of a lookup (L) element, in file order.
std::vector<ElementChoice> lookupChoices(const TexItem& item);

// How many colours an element of this letter holds: C 1, T 2, H 3, else 0.
int colourCount(int32_t type);

// Value writers: each marks the element set. A file name of 1024 characters
// or more is refused ("File name too long"), leaving the element as it was.
void setElementInteger(TexItem& item, int value);
void setElementReal(TexItem& item, double value);
void setElementPoint(TexItem& item, const float (&point)[3]);
void setElementColour(TexItem& item, int index, const float (&rgbf)[4]);
bool setElementText(TexItem& item, const std::string& text, std::string& error);

// The image map an F element names, as a file to open: a relative name is
// taken in the textures folder (in any letter case when the exact name is
// missing). False with the message when the element names no file ("Image
// map file not specified").
bool imageMapPath(const TexItem& item, const std::string& texturesFolder, std::string& path, std::string& error);

}  // namespace kx::app
