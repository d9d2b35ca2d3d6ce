// Colour values of C, T and H elements as the database and the texture
// builder write them: "rgb r g b", "rgbf r g b f", components by name
// ("red 1 green 0.5"), or colour names ("color Gold").
#include <string>
#include <vector>

#include "texture/user_internal.h"

namespace {

std::vector<std::string> wordsOf(const char* text) {
    std::vector<std::string> words;
    std::string word;
    for (const char* p = text ? text : "";; ++p) {
        if (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n' || *p == '\0') {
            if (!word.empty()) words.push_back(word);
            word.clear();
            if (!*p) break;
        } else {
            word += *p;
        }
    }
    return words;
}

int componentOf(const std::string& word) {
    if (word == "red") return 0;
    if (word == "green") return 1;
    if (word == "blue") return 2;
    if (word == "filter") return 3;
    return -1;
}

bool isColourKeyword(const std::string& word) { return componentOf(word) >= 0 || word == "rgb" || word == "rgbf"; }

// Reads the colours of one element, never more than it holds.
class ColourReader {
public:
    ColourReader(TexItem* item, const char* text) : item_(item), words_(wordsOf(text)), slots_(kx::texture::colourSlots(item->type)) {}

    void run() {
        for (i_ = 0; i_ < words_.size() && slot_ < slots_; ++i_) {
            const std::string& word = words_[i_];
            int component = componentOf(word);
            if (component >= 0) {
                // Components build up the colour under way until the next one starts.
                item_->value.colour[slot_][component] = number();
                pending_ = true;
            } else if (word == "rgb" || word == "rgbf") {
                complete();
                if (slot_ >= slots_) break;
                float* c = item_->value.colour[slot_];
                for (int k = 0; k < (word == "rgb" ? 3 : 4); ++k) c[k] = number();
                if (word == "rgb") c[3] = 0.0f;
                ++slot_;
            } else if (word == "color" || word == "colour") {
                complete();
                // "color red 1 ..." announces components, not a name.
                if (i_ + 1 < words_.size() && !isColourKeyword(words_[i_ + 1])) named(words_[++i_]);
            } else {
                complete();
                named(word);
            }
        }
    }

private:
    float number() { return i_ + 1 < words_.size() ? kx::texture::leadingFloat(words_[++i_].c_str()) : 0.0f; }

    void complete() {
        if (pending_) ++slot_;
        pending_ = false;
    }

    // A colour given by name takes the name's colour; the name itself is kept
    // in the element's text, which the export writes instead of the numbers.
    void named(const std::string& name) {
        if (slot_ >= slots_) return;
        // Only a name can stand in the scene text, never other syntax.
        if (!kx::texture::isIdentifier(name.c_str())) {
            LogMessage(1, "Colour name %s ignored", name.c_str());
            return;
        }
        unsigned long packed = GetTextureColorByName(name.c_str());
        float* c = item_->value.colour[slot_++];
        c[0] = static_cast<float>(packed & 0xff) / 255.0f;
        c[1] = static_cast<float>((packed >> 8) & 0xff) / 255.0f;
        c[2] = static_cast<float>((packed >> 16) & 0xff) / 255.0f;
        c[3] = 0.0f;
        std::string text = item_->text;
        text += text.empty() ? "color " : " color ";
        text += name;
        if (text.size() < KX_TEXTEXT_SIZE) {
            text.copy(item_->text, text.size());
            item_->text[text.size()] = '\0';
        }
    }

    TexItem* item_;
    std::vector<std::string> words_;
    unsigned slots_;
    unsigned slot_ = 0;
    size_t i_ = 0;
    bool pending_ = false;
};

}  // namespace

namespace kx::texture {

void readColours(TexItem* item, const char* text) {
    if (!item || !item->text) return;
    ColourReader(item, text).run();
}

}  // namespace kx::texture
