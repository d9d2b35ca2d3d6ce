// The frames of an animation as independent jobs: printed as shell lines for
// any job engine (--emit-jobs), or run through GNU parallel on the cores of
// this machine and of the machines of an ssh login file (--jobs). Every job is
// the program's own single-frame render; the driver only lists the frames,
// starts parallel and checks every image afterwards.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "animation/frame_output.h"

#include "cli/command_line.h"

namespace kx::app {

// The frames of a loaded animation and where they go.
struct FrameSet {
    std::string scene;   // absolute
    std::string folder;  // the frame folder, made already
    std::string stem;    // frame F is <folder>/<stem>F<extension>
    std::string exportExtension;  // of the renderer's scene files, ".pov"
    unsigned first = 0;
    unsigned last = 0;
    bool insideOut = false;
    int width = 0;  // the effective size and quality of every frame
    int height = 0;
    int quality = 0;
};

// <folder>/<stem>F.tga
std::string frameImagePath(const FrameSet& set, unsigned frame);

// The scene and every existing file its text names inside its folder (a
// height field's image, an include file), relative to that folder, the scene
// first: what a worker without the shared folder needs to render it.
std::vector<std::string> filesForWorkers(const std::string& scene);

// The program's own absolute path (what workers run unless told otherwise).
std::string thisProgram();

// Runs --emit-jobs or --jobs over the set. `stopRequested` is polled while
// parallel runs; when it turns true every job is stopped. Returns the exit
// status: 0 when every frame's image reads back, 1 otherwise.
int runFrameFarm(const CommandLine& cl, const FrameSet& set, const std::function<bool()>& stopRequested);

}  // namespace kx::app
