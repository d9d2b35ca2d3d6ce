// The user texture database readers over arbitrary bytes. The first byte
// picks what the rest is: USER.TEX (read through the index, loaded, exported,
// compacted), USER.IDX beside a small sound database, or a texture definition
// file followed by a record to load with it.
#include <cstring>
#include <filesystem>
#include <string>

#include "fuzz_input_file.h"

namespace {

constexpr const char* kDefinitions =
    "#begin texture_options\n1 \"0|Bozo:bozo|1|Marble:marble\"\n#end\n"
    "#begin texture_syntax\n"
    "pigment { *pattern L 1 color C x map H x grad T x image F x turb D x }\n"
    "finish { ambient D x on B x }\nnormal { *scale P x }\n*in { n I x text M x }\ninterp O x\nraw S x\n"
    "#end\n#begin texture_xref\nambient /finish/ambient\n#end\n";

constexpr const char* kDatabase =
    "1.0\r\nusertex A\r\nrgbcolor 255\r\n/finish/ambient 0.5\r\nend\r\n"
    "usertex B\r\nfreeform \"pigment { Red }\"\r\nend\r\n";

const std::string& folder() {
    static const std::string path = [] {
        // TMPDIR=/dev/shm spares the disk the syncs of every replaced file.
        std::string p = kxfuzz::scratchFolder() + "/usertex";
        std::filesystem::create_directories(p);
        return p;
    }();
    return path;
}

std::string file(const char* name) { return folder() + "/" + name; }

void put(const char* name, const uint8_t* data, size_t size) {
    if (FILE* out = std::fopen(file(name).c_str(), "wb")) {
        std::fwrite(data, 1, size, out);
        std::fclose(out);
    }
}

void put(const char* name, const std::string& text) {
    put(name, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

void standardDefinitions() {
    static bool loaded = false;
    if (loaded && FindFirstTexItem()) return;
    put("fuzz.def", kDefinitions);
    loaded = InitTextureBuiler("fuzz.def") == 1;
}

void exportCurrent(const char* name) {
    for (unsigned format : {11u, 19u, 23u, 24u}) {
        StandardFile* out = StdOpenFile(file("out.txt").c_str(), KX_OPEN_CREATE);
        if (!out) return;
        ExportCustomTexture(out, name, format, format == 24 ? TEX_EXPORT_INLINE : 0);
        StdAbortFile(out);
    }
    char buffer[KX_TEXTEXT_SIZE];
    WriteCustomTexture(buffer, 11);
}

// Loads the first few textures the index names, and exports each.
void loadIndexed() {
    StandardFile* index = OpenDbIndex();
    if (!index) return;
    std::string names[4];
    unsigned count = 0;
    UserDbIndex record;
    while (count < 4 && GetNextIndex(index, &record))
        if (record.inUse) names[count++] = std::string(record.name, strnlen(record.name, sizeof record.name));
    StdCloseFile(index);
    for (unsigned i = 0; i < count; ++i)
        if (LoadCustomTexture(names[i].c_str())) {
            exportCurrent("Fuzzed");
            AddCustomTexToList(("L" + std::to_string(i)).c_str());
        }
    GetCustomTexFromList("L0");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kxfuzz::quietCore();
    SetProgramPath(folder().c_str());
    if (size == 0) return 0;
    const uint8_t mode = data[0] % 4;
    ++data;
    --size;
    std::filesystem::remove(file("USER.IDX"));
    std::filesystem::remove(file("USER.BAK"));
    switch (mode) {
        case 0:
        case 1:
            standardDefinitions();
            put("USER.TEX", data, size);
            loadIndexed();
            if (mode == 1 && CompactUserTexDb()) loadIndexed();
            break;
        case 2:
            standardDefinitions();
            put("USER.TEX", kDatabase);
            put("USER.IDX", data, size);
            GetUserDbIndex("B");
            GetUserDbIndex("B");
            loadIndexed();
            DeleteDbIndex("A");
            break;
        case 3: {
            // A definition file, then (after a line "%%") a record body to load with it.
            std::string text(reinterpret_cast<const char*>(data), size);
            size_t split = text.find("%%");
            put("fuzzed.def", text.substr(0, split));
            if (BuildTexList(file("fuzzed.def").c_str()) && split != std::string::npos) {
                put("record.txt", text.substr(split + 2));
                if (StandardFile* f = StdOpenFile(file("record.txt").c_str(), KX_OPEN_READ)) {
                    if (LoadCustomTextureEx(f, "R")) exportCurrent("R");
                    StdCloseFile(f);
                }
                std::string path = text.substr(0, 40);
                FindTexItem(path.data());
            }
            ExitTextureBuiler();
            break;
        }
    }
    DestroyCustomTexList();
    return 0;
}
