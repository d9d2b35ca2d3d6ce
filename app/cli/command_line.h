// The program's command-line jobs, which run without any display:
//   kalvex --export SCENE OUT [--type ID|NAME]
//   kalvex --render SCENE [--width W] [--height H] [--quality Q] [--network]
//   kalvex --render SCENE --frames A-B|N|all [--inside-out] [--width W] ...
//   kalvex --texture-previews [--jobs N]
// A SCENE whose extension names a 3D Studio, NFF, OBJ or DXF file is imported
// into a new scene (a camera and two lights when new scenes get them).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kx::app {

struct CommandLine {
    enum class Job { None, Help, Version, Export, Render, Open, TexturePreviews } job = Job::None;
    std::string scene;
    std::string output;
    std::string type;  // a file-type id or name; empty: from the output's extension
    std::optional<int> width, height, quality;
    bool network = false;  // render on the configured render server
    std::string frames;    // animation frames to render: "A-B", "N" or "all"; empty: one image
    bool insideOut = false;  // frames in coarse-to-fine order
    std::optional<int> jobs;  // previews rendered at once
    std::string error;  // set when the arguments are wrong
};

// The largest image side and the highest quality a render can ask for.
inline constexpr int kMaxImageSize = 16384;
inline constexpr int kMaxQuality = 11;
// The most previews rendered at once.
inline constexpr int kMaxPreviewJobs = 64;

CommandLine parseCommandLine(const std::vector<std::string>& args);

// The usage text printed for --help and after a wrong argument.
std::string usageText();

// The file-type id of a number or of a type's name ("Povray3", "Kalvex"...);
// 0 when it is neither.
unsigned fileTypeFromText(const std::string& text);

// The frames "A-B", "N" or "all" name within an animation of maxFrames
// frames; false when the text is none of these or the range leaves 0..maxFrames-1.
bool frameRange(const std::string& text, unsigned maxFrames, unsigned& first, unsigned& last);

// A file stem from an animation name: path separators, "%", blanks, control
// and shell-special characters become "_"; an empty name gives `fallback`.
std::string safeFrameStem(const std::string& name, const std::string& fallback);

// Runs a command-line job; returns the process exit status.
int runExport(const CommandLine& cl);
int runRender(const CommandLine& cl);
// Renders every missing texture preview; 0 when every preview exists after.
int runTexturePreviews(const CommandLine& cl);

}  // namespace kx::app
