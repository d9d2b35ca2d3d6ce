// The current user texture written for a renderer: its element tree in the
// renderer's syntax, as a named declaration.
#include <cstring>
#include <string>

#include "files/numbers.h"
#include "kxplatform/c_locale.h"
#include "model/text.h"
#include "texture/user_internal.h"

namespace {

using kx::platform::formatC;
using kx::texture::fieldText;
using kx::texture::userTextures;

enum : unsigned { kPolyray = KX_FILETYPE_POLYRAY, kRenderMan = KX_FILETYPE_RENDERMAN, kVrml1 = KX_FILETYPE_VRML, kVrml2 = KX_FILETYPE_VRML2 };

bool isVrml(unsigned format) { return format == kVrml1 || format == kVrml2; }

std::string colourForm(const float* c, unsigned format, int32_t type) {
    const char* label = type == KX_TEXITEM_COLOUR ? "" : "color";
    if (format == kPolyray) {
        if (type == KX_TEXITEM_COLOUR) return formatC("%s < %g, %g, %g >\n", label, c[0], c[1], c[2]);
        return formatC("texture { surface { %s < %g, %g, %g > } }\n", label, c[0], c[1], c[2]);
    }
    if (format == kRenderMan) return formatC("%s [ %g, %g, %g ]\n", label, c[0], c[1], c[2]);
    if (isVrml(format)) return formatC("%s %g %g %g\n", label, c[0], c[1], c[2]);
    if (c[3] != 0.0f) return formatC("%s rgbf< %g, %g, %g, %g >\n", label, c[0], c[1], c[2], c[3]);
    return formatC("%s rgb< %g, %g, %g >\n", label, c[0], c[1], c[2]);
}

// A file name as it may stand between quotes in the scene text.
std::string fileNameText(const char* name) {
    std::string text;
    for (const char* p = name; *p; ++p)
        if (*p != '"' && static_cast<unsigned char>(*p) >= 0x20) text += *p;
    return text;
}

// The image kind follows the extension of the file's own name.
const char* imageKind(const std::string& file) {
    const char* base = kx::text::lastComponent(file.c_str());
    const char* dot = std::strrchr(base, '.');
    return dot && kx::text::equalNoCase(dot, ".tga") ? "tga" : "gif";
}

// The option text for a lookup element's value; false (reported) when none.
bool lookupText(const TexItem* item, std::string& text) {
    long long id = 0;
    if (!kx::texture::parseInteger(item->syntax, id)) id = static_cast<long long>(kx::numbers::leadingFinite(item->syntax));
    int first = id >= INT32_MIN && id <= INT32_MAX ? GetTexOptOffset(static_cast<int>(id)) : -1;
    if (first < 0) {
        ErrorMessage("Texture lookup option not defined: %s", item->name);
        return false;
    }
    const kx::UserTextureState& s = userTextures();
    for (unsigned i = static_cast<unsigned>(first); i < s.optionCount; ++i) {
        const ItemOpt& opt = s.options[i];
        if (opt.id != id || opt.value != item->value.integer) continue;
        std::string option = fieldText(opt.text);
        size_t colon = option.find(':');
        text = (colon == std::string::npos ? option : option.substr(colon + 1)) + "\n";
        return true;
    }
    ErrorMessage("Texture lookup item not defined: %s", item->name);
    return false;
}

bool leafValue(const TexItem* item, unsigned format, std::string& body) {
    const TexValue& v = item->value;
    if (kx::texture::elementValue(item->type) == kx::texture::ElementValue::Colours) {
        if (item->text[0]) {
            body = std::string(item->text) + "\n";
        } else {
            for (unsigned i = 0; i < kx::texture::colourSlots(item->type); ++i) {
                if (i > 0 && format == kPolyray) body += ",\n";
                body += colourForm(v.colour[i], format, item->type);
            }
        }
        return true;
    }
    switch (item->type) {
        case KX_TEXITEM_SWITCH: body = "\n"; break;
        case KX_TEXITEM_REAL: body = formatC("%g\n", v.real); break;
        case KX_TEXITEM_INTEGER:
        case KX_TEXITEM_OPTION: body = formatC("%d\n", v.integer); break;
        case KX_TEXITEM_TEXT:
        case KX_TEXITEM_STRING: body = std::string(item->text) + "\n"; break;
        case KX_TEXITEM_POINT: body = formatC("< %g, %g, %g >\n", v.point[0], v.point[1], v.point[2]); break;
        case KX_TEXITEM_FILE: {
            std::string file = fileNameText(item->text);
            if (format == kPolyray) body = formatC("image(\"%s\")\n", file.c_str());
            else if (isVrml(format)) body = file + "\n";
            else body = formatC("%s \"%s\"\n", imageKind(file), file.c_str());
            break;
        }
        case KX_TEXITEM_CHOICE: return lookupText(item, body);
        default: break;  // a kind the writer does not know has no value to write
    }
    return true;
}

// Writes one sibling list; a lookup that fails ends that list.
void writeList(std::string& out, const TexItem* item, unsigned format, bool& ok) {
    for (; item; item = item->next) {
        if (item->type == KX_TEXITEM_GROUP) {
            bool wrap = item->name[0] && item->name[0] != '*' && item->set;
            if (wrap) out += std::string(item->name) + " {\n";
            writeList(out, item->children, format, ok);
            if (wrap) out += "}\n";
            continue;
        }
        if (!kx::texture::isLeaf(item) || !item->set) continue;
        std::string body;
        if (!leafValue(item, format, body)) {
            ok = false;
            return;
        }
        if (body.empty()) continue;
        if (item->name[0] != '*') out += " " + std::string(item->name) + " ";
        out += body;
    }
}

std::string shownName(const char* name) {
    std::string text(name, strnlen(name, 64));
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    return text;
}

}  // namespace

namespace kx::texture {

bool writeTree(std::string& out, unsigned format) {
    bool ok = true;
    writeList(out, userTextures().tree, format, ok);
    return ok;
}

bool firstColour(float rgb[3]) {
    bool found = false;
    forEachLeaf([&](TexItem* item, const std::string&) {
        if (found || !item->set || item->text[0] || elementValue(item->type) != ElementValue::Colours) return;
        std::copy(item->value.colour[0], item->value.colour[0] + 3, rgb);
        found = true;
    });
    return found;
}

}  // namespace kx::texture

int WriteCustomTexture(char* buffer, unsigned format) {
    if (!buffer) return 0;
    buffer[0] = '\0';
    ResetSetCustomTextureUsage();
    std::string text;
    kx::texture::writeTree(text, format);
    std::string lines;
    for (char c : text) {
        if (c == '\n') lines += '\r';
        lines += c;
    }
    // A cut tree would lose its closing braces: nothing rather than that.
    if (lines.size() >= KX_TEXTEXT_SIZE) {
        ErrorMessage("Error string too long");
        return 0;
    }
    std::memcpy(buffer, lines.c_str(), lines.size() + 1);
    return 1;
}

int ExportCustomTexture(StandardFile* f, const char* name, unsigned format, TEX_EXPORT_FLAGS flags) {
    if (!f || !name) return 0;
    // The name stands in the scene text as an identifier; anything else
    // (quotes, braces, line ends) could turn into scene text of its own.
    if (!kx::texture::isIdentifier(name)) {
        LogMessage(1, "Texture name %s left out of the export", shownName(name).c_str());
        return 0;
    }
    const CustomTexure& c = userTextures().current;
    if (format == kPolyray) StdPutLine(f, "\r\ndefine %s\r\n", name);
    else StdPutLine(f, "\r\n#declare %s = \r\n", name);
    if (!flags) StdPutLine(f, "texture {\r\n");
    std::string freeForm = fieldText(c.freeForm);
    if (!freeForm.empty()) {
        StdPutLine(f, "%s\r\n", freeForm.c_str());
        if (!flags) StdPutLine(f, "}\n\n");
        return f->error ? 0 : 1;
    }
    std::string parent = fieldText(c.parent);
    if (!parent.empty()) {
        if (!kx::texture::isIdentifier(parent.c_str()))
            LogMessage(1, "Texture parent %s left out of the export", shownName(parent.c_str()).c_str());
        else if (GetTextureTypeByName(parent.c_str()) & KX_TEXTURE_COLOUR)
            StdPutLine(f, " pigment { %s }\n", parent.c_str());
        else
            StdPutLine(f, " %s\n", parent.c_str());
    }
    ResetSetCustomTextureUsage();
    std::string body;
    kx::texture::writeTree(body, format);
    // The body is user text: written as data, never as a format.
    if (!body.empty()) StdPutLine(f, "%s", body.c_str());
    if (!flags) StdPutLine(f, "}\n\n");
    return f->error ? 0 : 1;
}
