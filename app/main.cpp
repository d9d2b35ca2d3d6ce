// kalvex: the 3D scene modeller. Command-line jobs run without a display.
#include <clocale>
#include <csignal>
#include <cstdio>
#include <exception>
#include <new>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "kxplatform/large_pages.h"
#include "mainframe/window_main.h"
#include "script/script_runner.h"

namespace {

// Whether this run may hold a scene large enough that the heap's large pages
// pay for starting again (a few milliseconds): the window, which may open
// anything, and a job on a scene file of 16 MiB or more.
bool mayHoldLargeScene(const kx::app::CommandLine& cl) {
    using Job = kx::app::CommandLine::Job;
    if (cl.job == Job::Help || cl.job == Job::Version || cl.job == Job::ListPlugins) return false;
    if (cl.job == Job::None || cl.job == Job::Open) return true;
    std::error_code ec;
    const auto size = cl.scene.empty() ? 0 : std::filesystem::file_size(cl.scene, ec);
    return !ec && size >= (16u << 20);
}

int runJob(const kx::app::CommandLine& cl, int argc, char** argv) {
    switch (cl.job) {
        case kx::app::CommandLine::Job::Help: std::printf("%s", kx::app::helpText(kx::app::writableTypeList(true)).c_str()); return 0;
        case kx::app::CommandLine::Job::Version: std::printf("kalvex %s\n", KALVEX_VERSION); return 0;
        case kx::app::CommandLine::Job::Export: return kx::app::runExport(cl);
        case kx::app::CommandLine::Job::Render: return kx::app::runRender(cl);
        case kx::app::CommandLine::Job::ListPlugins: return kx::app::runListPlugins(cl);
        case kx::app::CommandLine::Job::Plugin: return kx::app::runPlugin(cl);
        case kx::app::CommandLine::Job::Preview: return kx::app::runPreview(cl);
        case kx::app::CommandLine::Job::Thumbnail: return kx::app::runThumbnail(cl);
        case kx::app::CommandLine::Job::TexturePreviews: return kx::app::runTexturePreviews(cl);
        case kx::app::CommandLine::Job::Script: return kx::app::runScriptJob(cl);
        default: break;
    }
    kx::app::WindowStart start;
    start.file = cl.scene;
    start.moreFiles = cl.moreScenes;
    start.plugins = !cl.noPlugins;
    start.macro = cl.macro;
    start.recover = cl.recover;
    return kx::app::runWindow(argc, argv, start);
}

}  // namespace

int main(int argc, char** argv) {
    // A file that would grow past the user's size limit fails to be written,
    // and says so, instead of killing the program half-way through a save.
    std::signal(SIGXFSZ, SIG_IGN);
    std::vector<std::string> args(argv + 1, argv + argc);
    kx::app::CommandLine cl = kx::app::parseCommandLine(args);
    if (!cl.error.empty()) {
        std::fprintf(stderr, "kalvex: %s\n%s", cl.error.c_str(), kx::app::usageText().c_str());
        return 2;
    }
    if (mayHoldLargeScene(cl)) kx::platform::restartWithLargePages(argv);
    // The window changes to its working folder: names the user typed are
    // meant from the folder the program was started in.
    std::error_code ec;
    if (!cl.scene.empty()) cl.scene = std::filesystem::absolute(cl.scene, ec).string();
    if (!cl.output.empty()) cl.output = std::filesystem::absolute(cl.output, ec).string();
    for (std::string& more : cl.moreScenes) more = std::filesystem::absolute(more, ec).string();
    if (!cl.macro.empty()) cl.macro = std::filesystem::absolute(cl.macro, ec).string();
    kx::script::jobLimits().maxInstructions = cl.maxInstructions.value_or(0);
    // A job that runs out of memory says so and fails; it never aborts.
    try {
        return runJob(cl, argc, argv);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "kalvex: out of memory\n");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kalvex: %s\n", e.what());
    }
    return 1;
}
